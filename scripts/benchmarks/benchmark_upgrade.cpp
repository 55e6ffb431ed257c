// What the host costs per record of an upgrade, and whether its memory stays flat whatever the
// image size. Runs the real window and procedure against the simulated bridge with no latency and
// no programming time, so every microsecond measured is spent on this side of the wire.
// Prints figures; targets: 20 µs or less per record, memory that does not grow with the image.

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "link/FTDI.h"
#include "sim/bridge/RecordFormat.h"

namespace {

const QString Serial = QStringLiteral("BENCH001");

QByteArray sealedRecord(std::uint8_t type, int index) {
    QByteArray record(sim::record::kSize, '\0');
    record[0] = char(type);
    for (int i = 1; i < int(sim::record::kChecksumIndex); ++i) record[i] = char(index * 7 + i);
    auto* bytes = reinterpret_cast<std::uint8_t*>(record.data());
    bytes[sim::record::kChecksumIndex] = sim::record::checksumFor(bytes);
    return record;
}

// Written a record at a time, so making the image costs no memory either.
bool writeImage(const QString& path, qint64 records) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write("\xB5TARVEL0", 8);
    for (qint64 i = 0; i + 1 < records; ++i) file.write(sealedRecord(sim::record::kData, int(i)));
    file.write(sealedRecord(sim::record::kEnd, 0));
    return file.error() == QFile::NoError;
}

bool configureBridge(const QTemporaryDir& folder) {
    const QString path = folder.filePath(QStringLiteral("sim.conf"));
    QFile config(path);
    if (!config.open(QIODevice::WriteOnly)) return false;
    config.write("device = " + Serial.toLatin1() + "\nrunlevel = boot\n" +
                 "latency_ms = 0\nprogram_ms = 0\n");
    config.close();
    qputenv("TARVELLON_SIM_CONFIG", path.toLocal8Bit());
    return FTDI::LoadDriverLibrary();
}

long maxResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Seconds for one upgrade through the window's button; negative when it did not succeed.
double upgradeSeconds(Form1& window, const QString& path) {
    window.FirmwarePath = path;
    window.DeviceSerial = Serial;
    bool succeeded = false;
    MessageBoxes::SetHandler([&](const QString& text, MessageIcon) {
        succeeded = text == QStringLiteral("Upgrade successfull.");
    });
    QElapsedTimer timer;
    timer.start();
    window.Upgrade->click();
    const double seconds = timer.nsecsElapsed() / 1e9;
    return succeeded ? seconds : -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid() || !configureBridge(folder)) {
        std::fprintf(stderr, "benchmark_upgrade: the simulated bridge is not on LD_LIBRARY_PATH\n");
        return 1;
    }
    Form1 window;
    window.show();
    QApplication::processEvents();

    constexpr qint64 kRecords = 10000;
    const QString small = folder.filePath(QStringLiteral("10k-records.frw"));
    const qint64 tenMB = 10'000'000 / 13;
    const qint64 hundredMB = 100'000'000 / 13;
    const QString medium = folder.filePath(QStringLiteral("10MB.frw"));
    const QString large = folder.filePath(QStringLiteral("100MB.frw"));
    if (!writeImage(small, kRecords) || !writeImage(medium, tenMB) ||
        !writeImage(large, hundredMB)) {
        std::fprintf(stderr, "benchmark_upgrade: cannot write the images\n");
        return 1;
    }

    const double seconds = upgradeSeconds(window, small);
    std::printf("10,000-record upgrade, zero latency:        %.3f s\n", seconds);
    std::printf("host time per record:                       %.2f us (target <= 20 us)\n",
                seconds / kRecords * 1e6);

    const long before = maxResidentKiB();
    const double mediumSeconds = upgradeSeconds(window, medium);
    const long afterMedium = maxResidentKiB();
    const double largeSeconds = upgradeSeconds(window, large);
    const long afterLarge = maxResidentKiB();
    std::printf("peak memory before streaming:               %ld KiB\n", before);
    std::printf("peak memory after a 10 MB image  (%.1f s):   %ld KiB\n", mediumSeconds,
                afterMedium);
    std::printf(
        "peak memory after a 100 MB image (%.1f s):  %ld KiB (target: no growth, "
        "grew %ld KiB)\n",
        largeSeconds, afterLarge, afterLarge - afterMedium);
    std::printf("host time per record over 100 MB:           %.2f us\n",
                largeSeconds / hundredMB * 1e6);
    return seconds < 0 || mediumSeconds < 0 || largeSeconds < 0 ? 1 : 0;
}
