// What the command line's fast link buys: a 2,000-record upgrade on the simulated bridge with its
// latency timer at 16 ms and 1 ms programming a record, at baud 0 (no wire time) and 9600, with
// the bridge left alone, with the fast link, and against the limit of records × (wire time +
// programming time + 1 ms for the USB frame). Runs the real program; prints figures only.
// Goals: the fast link within 1.3 times the limit, and at baud 0 at least 5 times faster than the
// bridge left alone.

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "scripts/benchmarks/BenchmarkImage.h"

namespace {

constexpr int kRecords = 2000;
constexpr double kProgrammingMs = 1;
constexpr double kUsbFrameMs = 1;

// Seconds of the upgrade as the program's closing event reports them; negative when it failed.
double upgradeSeconds(const QTemporaryDir& folder, int baud, int lowestLatencyMs,
                      const QStringList& options) {
    const QString config = folder.filePath(QStringLiteral("sim.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return -1;
    file.write(QStringLiteral("device = BENCH001\nrunlevel = boot\nlatency_ms = 16\nprogram_ms = "
                              "%1\nbaud = %2\nlatency_min_ms = %3\n")
                   .arg(kProgrammingMs)
                   .arg(baud)
                   .arg(lowestLatencyMs)
                   .toUtf8());
    file.close();
    QProcess flash;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TARVELLON_SIM_CONFIG"), config);
    flash.setProcessEnvironment(environment);
    flash.start(QStringLiteral(FLASH_PROGRAM),
                QStringList{"upgrade", "--json"} + options +
                    QStringList{"BENCH001", folder.filePath(QStringLiteral("image.frw"))});
    if (!flash.waitForFinished(-1) || flash.exitCode() != 0) return -1;
    const QByteArray end = flash.readAllStandardOutput().trimmed().split('\n').last();
    return QJsonDocument::fromJson(end).object()[QStringLiteral("duration_ms")].toDouble() / 1000;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid() ||
        !WriteBenchmarkImage(folder.filePath(QStringLiteral("image.frw")), kRecords)) {
        std::fprintf(stderr, "benchmark_cli_link: cannot write the image\n");
        return 1;
    }
    std::printf("%d records, latency timer 16 ms, %.0f ms programming a record\n", kRecords,
                kProgrammingMs);
    std::printf(
        "baud   bridge alone   fast link   alone/fast   limit     fast/limit   "
        "fast, 1 ms bridge   /limit\n");
    for (const int baud : {0, 9600}) {
        // A record of 13 bytes out and its acknowledgement back, ten bits a byte.
        const double wireMs = baud == 0 ? 0 : 14 * 10 * 1000.0 / baud;
        const double limit = kRecords * (wireMs + kProgrammingMs + kUsbFrameMs) / 1000;
        const double alone = upgradeSeconds(folder, baud, 2, {"--latency-ms", "keep"});
        const double fast = upgradeSeconds(folder, baud, 2, {});
        const double fastest = upgradeSeconds(folder, baud, 1, {});
        std::printf("%-6d %9.2f s   %7.2f s   %10.1f   %5.2f s   %10.2f   %15.2f s   %6.2f\n", baud,
                    alone, fast, alone / fast, limit, fast / limit, fastest, fastest / limit);
    }
    std::printf(
        "fast link: the simulated bridge accepts 2 ms at least (its default); "
        "\"1 ms bridge\": one set to accept 1 ms\n");
    std::printf("goals: fast/limit <= 1.3; alone/fast >= 5 at baud 0\n");
    return 0;
}
