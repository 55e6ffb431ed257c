// What a station gains from flashing units side by side: units per hour for 1, 4 and 8 simulated
// units on a 16 ms bridge with 1 ms programming a record and a 2,000-record image, the time of 8
// at once over the time of one, and the processor time that the station and all its upgrades
// spend per unit. Runs the real program; prints figures only. Goal: 8 at once take no more than
// 1.3 times as long as one.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "scripts/benchmarks/BenchmarkImage.h"

namespace {

constexpr int kRecords = 2000;

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run {
    double seconds = -1;
    double processorSeconds = 0;
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
    const double processorBefore = processorSeconds();
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(FLASH_PROGRAM),
                  {QStringLiteral("station"), folder.filePath(QStringLiteral("image.frw")),
                   QStringLiteral("--count"), QString::number(units), QStringLiteral("--record"),
                   folder.filePath(QStringLiteral("records.jsonl"))});
    if (!process.waitForFinished(-1) || process.exitCode() != 0) return {};
    return {clock.elapsed() / 1000.0, processorSeconds() - processorBefore};
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
    std::printf("units   time      units per hour   processor per unit\n");
    double oneUnit = 0;
    double eightUnits = 0;
    for (const int units : {1, 4, 8}) {
        const Run run = station(folder, units);
        if (run.seconds < 0) {
            std::printf("%-5d   failed\n", units);
            continue;
        }
        (units == 1 ? oneUnit : eightUnits) = run.seconds;
        std::printf("%-5d   %6.2f s   %14.0f   %16.3f s\n", units, run.seconds,
                    units * 3600 / run.seconds, run.processorSeconds / units);
    }
    std::printf("8 at once / one: %.2f (goal: 1.3 or less)\n", eightUnits / oneUnit);
}
