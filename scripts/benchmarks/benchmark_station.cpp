// What a station gains from flashing units side by side: units per hour for 1, 8 and 32
// simulated units on a 16 ms bridge with 1 ms programming a record and a 2,000-record image, the
// time of 32 at once over the time of one, and the processor time per unit of the station alone
// and of the station with all its upgrades. Runs the real program; prints figures only. Goal: 32
// at once take no more than 1.3 times as long as one.

#include <QCoreApplication>
#include <cstdio>

#include "scripts/benchmarks/BenchmarkImage.h"
#include "scripts/benchmarks/StationRun.h"

constexpr int kRecords = 2000;

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
        const StationRun run =
            WriteSimulatedUnits(folder, units) ? RunStation(folder, units) : StationRun{};
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
