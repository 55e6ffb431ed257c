// What the host costs per record of an upgrade, and the memory an image takes while it is sent
// (the whole image is held in memory, so about its own size, given back afterwards). Runs the real
// window and procedure against the simulated bridge with no latency and no programming time, so
// every microsecond measured is spent on this side of the wire.
// Prints figures; targets: 20 µs or less per record, memory growth near the image size.

#include <unistd.h>

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

long residentKiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return -1;
    return statm.readAll().split(' ').value(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Upgrade {
    double seconds = -1;         // negative when it did not succeed
    long residentAtEndKiB = -1;  // when the closing box comes up, the image still held
};

// One upgrade through the window's button.
Upgrade upgrade(Form1& window, const QString& path) {
    window.FirmwarePath = path;
    window.DeviceSerial = Serial;
    Upgrade result;
    bool succeeded = false;
    MessageBoxes::SetHandler([&](const QString& text, MessageIcon) {
        succeeded = text == QStringLiteral("Upgrade successfull.");
        result.residentAtEndKiB = residentKiB();
    });
    QElapsedTimer timer;
    timer.start();
    window.Upgrade->click();
    if (succeeded) result.seconds = timer.nsecsElapsed() / 1e9;
    return result;
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
    if (!writeImage(small, kRecords)) {
        std::fprintf(stderr, "benchmark_upgrade: cannot write the image\n");
        return 1;
    }
    const double seconds = upgrade(window, small).seconds;
    std::printf("10,000-record upgrade, zero latency:        %.3f s\n", seconds);
    std::printf("host time per record:                       %.2f us (target <= 20 us)\n",
                seconds / kRecords * 1e6);

    bool succeeded = seconds >= 0;
    std::printf("image     upgrade  resident before  at the end     growth  after\n");
    for (const qint64 mib : {1, 16, 64}) {
        const QString path = folder.filePath(QStringLiteral("%1MiB.frw").arg(mib));
        // The largest image the upgrader takes ends at 64 MiB or just before.
        const qint64 records = (mib * 1024 * 1024 - 8) / sim::record::kSize;
        const long before = residentKiB();
        const Upgrade run = writeImage(path, records) ? upgrade(window, path) : Upgrade{};
        QFile::remove(path);
        std::printf("%3lld MiB  %6.1f s  %11ld KiB  %6ld KiB  %+6ld KiB  %6ld KiB\n", mib,
                    run.seconds, before, run.residentAtEndKiB, run.residentAtEndKiB - before,
                    residentKiB());
        succeeded = succeeded && run.seconds >= 0;
    }
    return succeeded ? 0 : 1;
}
