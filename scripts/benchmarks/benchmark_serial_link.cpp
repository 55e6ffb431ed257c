// What the kernel's serial driver costs the host against the vendor's library: an upgrade of a
// device that answers at once (no latency timer, no programming time), through a pseudo-terminal
// and the real serial code, next to the same upgrade on the simulated bridge, whose device
// answers inside the library call. What is left is the host's own time per record: the program,
// the driver and the round trip. Runs the real program, best of three; prints figures only.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "scripts/benchmarks/BenchmarkImage.h"

namespace {

constexpr int kRecords = 20000;
constexpr int kRuns = 3;

struct Cost {
    double ms = -1;     // the upgrade, as the program's closing event reports it
    double cpuMs = -1;  // the program's processor time, start-up included
};

double childrenCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// The bridge's timer stays at 0, where the fast link would raise it to the simulated bridge's
// lowest, 2 ms.
Cost upgrade(const QTemporaryDir& folder, const QStringList& options) {
    const double cpuBefore = childrenCpuMs();
    QProcess flash;
    flash.start(QStringLiteral(FLASH_PROGRAM),
                QStringList{"upgrade", "--json", "--latency-ms", "keep"} + options +
                    QStringList{"BENCH001", folder.filePath(QStringLiteral("image.frw"))});
    if (!flash.waitForFinished(-1) || flash.exitCode() != 0) return {};
    const QByteArray end = flash.readAllStandardOutput().trimmed().split('\n').last();
    return {QJsonDocument::fromJson(end).object()[QStringLiteral("duration_ms")].toDouble(),
            childrenCpuMs() - cpuBefore};
}

// Best of kRuns, through a pseudo-terminal when `pty`, else the simulated bridge's library.
Cost best(const QTemporaryDir& folder, bool pty) {
    Cost best;
    for (int run = 0; run < kRuns; ++run) {
        QProcess bridge;
        QStringList options{"--driver", "d2xx"};
        if (pty) {
            bridge.start(QStringLiteral(PTY_BRIDGE_PROGRAM));
            if (!bridge.waitForReadyRead(5000)) return {};
            options = {"--port", QString::fromLocal8Bit(bridge.readLine().trimmed())};
        }
        const Cost cost = upgrade(folder, options);
        bridge.kill();
        bridge.waitForFinished();
        if (cost.ms < 0) return {};
        if (best.ms < 0 || cost.ms < best.ms) best = cost;
    }
    return best;
}

void print(const char* driver, const Cost& cost) {
    std::printf("%-26s %9.0f ms %9.1f us %12.1f us\n", driver, cost.ms, cost.ms * 1000 / kRecords,
                cost.cpuMs * 1000 / kRecords);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    QFile config(folder.filePath(QStringLiteral("sim.conf")));
    if (!folder.isValid() ||
        !WriteBenchmarkImage(folder.filePath(QStringLiteral("image.frw")), kRecords) ||
        !config.open(QIODevice::WriteOnly) ||
        config.write("device = BENCH001\nrunlevel = boot\nlatency_ms = 0\nprogram_ms = 0\n") < 0) {
        std::fprintf(stderr, "benchmark_serial_link: cannot write the image\n");
        return 1;
    }
    config.close();
    qputenv("TARVELLON_SIM_CONFIG", config.fileName().toLocal8Bit());
    const Cost library = best(folder, false);
    const Cost kernel = best(folder, true);
    std::printf(
        "%d records, a device that answers at once, best of %d; processor time of the "
        "program, start-up included\n",
        kRecords, kRuns);
    std::printf("driver                        upgrade  per record  processor/record\n");
    print("d2xx, simulated bridge", library);
    print("serial, pseudo-terminal", kernel);
    return 0;
}
