// What a station gains from flashing units side by side: units per hour for 1, 8 and 32
// simulated units on a 16 ms bridge with 1 ms programming a record and a 2,000-record image, the
// time of 32 at once over the time of one, and the processor time per unit of the station alone
// and of the station with all its upgrades. Runs the real program; prints figures only. Goal: 32
// at once take no more than 1.3 times as long as one.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "scripts/benchmarks/BenchmarkImage.h"
#include "scripts/benchmarks/ProcessorTime.h"

namespace {

constexpr int kRecords = 2000;
constexpr int kSampleMs = 20;

struct Run {
    double seconds = -1;
    double stationSeconds = 0;  // the station alone, as last seen before it ended
    double allSeconds = 0;      // the station and its upgrades
};

Run station(const QTemporaryDir& folder, int units) {
    const QString config = folder.filePath(QStringLiteral("sim.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return {};
    for (int i = 1; i <= units; ++i) {
        file.write(
            QStringLiteral("device = BENCH%1\nrunlevel = boot\nlatency_ms = 16\nprogram_ms = 1\n")
                .arg(i, 3, 10, QChar('0'))
                .toUtf8());
    }
    file.close();
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TARVELLON_SIM_CONFIG"), config);
    process.setProcessEnvironment(environment);
    const double before = ProcessorSeconds(RUSAGE_CHILDREN);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(FLASH_PROGRAM),
                  {QStringLiteral("station"), folder.filePath(QStringLiteral("image.frw")),
                   QStringLiteral("--count"), QString::number(units), QStringLiteral("--record"),
                   folder.filePath(QStringLiteral("records.jsonl"))});
    Run run;
    while (!process.waitForFinished(kSampleMs)) {
        if (process.state() == QProcess::NotRunning) return {};
        run.stationSeconds = qMax(run.stationSeconds, OwnProcessorSeconds(process.processId()));
    }
    if (process.exitCode() != 0) return {};
    run.seconds = clock.elapsed() / 1000.0;
    run.allSeconds = ProcessorSeconds(RUSAGE_CHILDREN) - before;
    return run;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid() ||
        !WriteBenchmarkImage(folder.filePath(QStringLiteral("image.frw")), kRecords)) {
        std::fprintf(stderr, "benchmark_station: cannot write the image\n");
        return 1;
    }
    std::printf("station, %d records, latency timer 16 ms, 1 ms programming a record\n", kRecords);
    std::printf("units   time      units per hour   processor per unit: station   with upgrades\n");
    double oneUnit = 0;
    double manyUnits = 0;
    for (const int units : {1, 8, 32}) {
        const Run run = station(folder, units);
        if (run.seconds < 0) {
            std::printf("%-5d   failed\n", units);
            continue;
        }
        if (units == 1) oneUnit = run.seconds;
        if (units == 32) manyUnits = run.seconds;
        std::printf("%-5d   %6.2f s   %14.0f   %26.3f s   %11.3f s\n", units, run.seconds,
                    units * 3600 / run.seconds, run.stationSeconds / units, run.allSeconds / units);
    }
    std::printf("32 at once / one: %.2f (goal: 1.3 or less)\n", manyUnits / oneUnit);
}
