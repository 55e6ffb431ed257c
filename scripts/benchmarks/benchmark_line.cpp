// What putting a station on the line costs: 32 simulated units flashed by the station with and
// without --publish, against Debian's mosquitto on this machine. Prints the processor time per
// attempt of the station alone and with its upgrades, the messages and bytes each attempt puts on
// the broker (its two lines, and the statuses), and the status messages in the busiest second.
// Runs the real programs; prints figures only.

#include <signal.h>

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>

#include "scripts/benchmarks/BenchmarkImage.h"
#include "scripts/benchmarks/StationRun.h"
#include "tests/common/Mosquitto.h"

namespace {

constexpr int kUnits = 32;
constexpr int kRecords = 300;

void print(const char* name, const StationRun& run) {
    if (run.seconds < 0) {
        std::printf("%-18s failed\n", name);
        return;
    }
    std::printf("%-18s %6.2f s   %17.2f ms   %17.2f ms\n", name, run.seconds,
                run.stationSeconds * 1000 / kUnits, run.allSeconds * 1000 / kUnits);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid() || !WriteBenchmarkImage(folder.filePath("image.frw"), kRecords) ||
        !WriteSimulatedUnits(folder, kUnits)) {
        std::fprintf(stderr, "benchmark_line: cannot write the image\n");
        return 1;
    }
    Mosquitto broker;
    if (!broker.start()) {
        std::fprintf(stderr, "benchmark_line: mosquitto did not start\n");
        return 1;
    }
    // Every message with the time it came and its size, as mosquitto_sub sees them.
    QProcess subscriber;
    subscriber.start("mosquitto_sub", {"-h", "127.0.0.1", "-p", QString::number(broker.port()),
                                       "-q", "1", "-t", "tarvellon/#", "-F", "%U %t %l"});
    subscriber.waitForStarted();
    // Time for the subscription to stand: a benchmark's figures are no verdict.
    QThread::msleep(500);

    std::printf("station, %d units at once, %d records, latency timer 16 ms\n", kUnits, kRecords);
    std::printf("                   time       processor per attempt:   with upgrades\n");
    std::printf("                              station alone\n");
    print("without --publish", RunStation(folder, kUnits));
    const StationRun published = RunStation(
        folder, kUnits, {"--publish", broker.url(), "--line", "L1", "--station", "bench"});
    print("with --publish", published);

    QThread::msleep(500);
    ::kill(pid_t(subscriber.processId()), SIGTERM);
    subscriber.waitForFinished();
    QHash<QString, int> messages, bytes;
    QList<double> statusTimes;
    for (const QByteArray& line : subscriber.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 3) continue;
        const QString kind = QString::fromUtf8(fields[1]).section('/', -1);
        ++messages[kind];
        bytes[kind] += fields[2].toInt();
        if (kind == "status") statusTimes << fields[0].toDouble();
    }
    int busiest = 0;
    for (qsizetype first = 0, last = 0; last < statusTimes.size(); ++last) {
        while (statusTimes[last] - statusTimes[first] >= 1.0) ++first;
        busiest = std::max(busiest, int(last - first + 1));
    }
    std::printf("on the broker, per attempt:\n");
    for (const QString kind : {"attempts", "status", "online"}) {
        std::printf("  %-9s %6.2f messages  %8.0f bytes\n", qPrintable(kind),
                    messages.value(kind) / double(kUnits), bytes.value(kind) / double(kUnits));
    }
    std::printf(
        "status messages in the busiest second: %d (one every 250 ms at most while the station "
        "runs)\n",
        busiest);
}
