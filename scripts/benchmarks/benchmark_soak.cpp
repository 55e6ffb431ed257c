// A long session at the bench: 1,000 upgrades in one process through the window, each against a
// device with a fault drawn at random (none, silence, unplugging, a refused record, a wrong key, a
// banner), on the simulated bridge. Prints the outcomes, the opens and closes the bridge saw, and
// the open file descriptors and resident memory after 100 and 1,000 upgrades, beside what the log
// pane holds by then: nothing may leak but the pane's own text.
// The reply deadline runs 100 times faster than the real clock, so a silent device costs 100 ms.

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QMap>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <random>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "link/Clock.h"
#include "link/FTDI.h"
#include "scripts/benchmarks/BenchmarkImage.h"
#include "support/Logging.h"

namespace {

constexpr int kUpgrades = 1000;
constexpr int kRecords = 50;
const QByteArray Serial = "SOAK0001";

// The faults, each with the record it strikes (1 to kRecords) where it has one.
QByteArray fault(std::mt19937& random) {
    const QByteArray record = QByteArray::number(random() % kRecords + 1);
    switch (random() % 6) {
        case 1:
            return "silent_from_record = " + record;
        case 2:
            return "unplug_at_record = " + record;
        case 3:
            return "refuse_record = " + record;
        case 4:
            return QStringLiteral("key = µTARVEL7").toUtf8();
        case 5:
            return "runlevel = app\nbanner = hello";
    }
    return {};
}

// One device with the given fault; the transcript is appended to across reloads.
bool attach(const QTemporaryDir& folder, const QByteArray& settings) {
    QFile config(folder.filePath(QStringLiteral("sim.conf")));
    if (!config.open(QIODevice::WriteOnly)) return false;
    config.write("transcript = " + folder.filePath(QStringLiteral("transcript")).toUtf8() +
                 "\ndevice = " + Serial + "\nrunlevel = boot\nlatency_ms = 0\nprogram_ms = 0\n" +
                 settings + "\n");
    config.close();
    const auto reload =
        reinterpret_cast<int (*)()>(QLibrary::resolve("ftd2xx", "TarvellonSim_Reload"));
    return reload != nullptr && reload() == 0;
}

long residentKiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return -1;
    return statm.readAll().split(' ').value(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024);
}

qsizetype openDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System).size();
}

// Events of one kind ("open", "close", ...) in the bridge's transcript.
int transcriptEvents(const QTemporaryDir& folder, const QByteArray& kind) {
    QFile transcript(folder.filePath(QStringLiteral("transcript")));
    int count = 0;
    if (!transcript.open(QIODevice::ReadOnly)) return -1;
    while (!transcript.atEnd()) count += transcript.readLine().split(' ').value(1) == kind;
    return count;
}

void printState(int upgrades, const Form1& window) {
    std::printf(
        "after %4d upgrades: %3lld file descriptors, %6ld KiB resident, log pane %lld lines"
        " of %lld characters\n",
        upgrades, qint64(openDescriptors()), residentKiB(),
        qint64(window.Logbox->document()->blockCount()),
        qint64(window.Logbox->document()->characterCount()));
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QTemporaryDir folder;
    const QString image = folder.filePath(QStringLiteral("soak.frw"));
    qputenv("TARVELLON_SIM_CONFIG", folder.filePath(QStringLiteral("sim.conf")).toLocal8Bit());
    if (!WriteBenchmarkImage(image, kRecords) || !FTDI::LoadDriverLibrary() ||
        !attach(folder, {})) {
        std::fprintf(stderr, "benchmark_soak: the simulated bridge is not on LD_LIBRARY_PATH\n");
        return 1;
    }
    Time::SetClockSource([] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return std::uint32_t(std::chrono::duration_cast<std::chrono::microseconds>(now).count() /
                             10);
    });
    QMap<QString, int> outcomes;
    MessageBoxes::SetHandler([&](const QString& text, MessageIcon) { ++outcomes[text]; });
    Form1 window;
    window.show();
    QApplication::processEvents();
    window.FirmwarePath = image;
    window.DeviceSerial = QString::fromLatin1(Serial);
    printState(0, window);

    std::mt19937 random(12);
    const auto start = std::chrono::steady_clock::now();
    for (int upgrade = 1; upgrade <= kUpgrades; ++upgrade) {
        if (!attach(folder, fault(random))) return 1;
        window.Upgrade->click();
        if (upgrade == 100 || upgrade == kUpgrades) printState(upgrade, window);
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%d upgrades of %d records in %.1f s:\n", kUpgrades, kRecords, seconds.count());
    for (auto outcome = outcomes.cbegin(); outcome != outcomes.cend(); ++outcome)
        std::printf("  %4d  %s\n", outcome.value(), qPrintable(outcome.key()));
    std::printf("device opens %d, closes %d\n", transcriptEvents(folder, "open"),
                transcriptEvents(folder, "close"));

    // What holding those lines costs: the same lines in a fresh window's pane, with no upgrade.
    const QStringList lines = window.Logbox->toPlainText().split(u'\n');
    Form1 reference;
    reference.show();
    QApplication::processEvents();
    const long beforeLines = residentKiB();
    for (const QString& line : lines) Logging::LogLine(line);
    QApplication::processEvents();
    std::printf("the same %lld lines in a fresh window's log pane: %+ld KiB resident\n",
                qint64(lines.size()), residentKiB() - beforeLines);
    return 0;
}
