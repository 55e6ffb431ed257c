#pragma once

// What the station benchmarks share: simulated units on a 16 ms bridge with 1 ms programming a
// record, and one run of the real station over them, timed.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "scripts/benchmarks/ProcessorTime.h"

struct StationRun {
    double seconds = -1;        // -1: the station failed
    double stationSeconds = 0;  // processor time of the station alone, as last seen before it ended
    double allSeconds = 0;      // of the station and its upgrades
};

// `folder`'s sim.conf: the units BENCH001 to BENCH`units`, in their boot loaders.
inline bool WriteSimulatedUnits(const QTemporaryDir& folder, int units) {
    QFile file(folder.filePath(QStringLiteral("sim.conf")));
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (int i = 1; i <= units; ++i) {
        const QString unit =
            QStringLiteral("device = BENCH%1\nrunlevel = boot\nlatency_ms = 16\nprogram_ms = 1\n")
                .arg(i, 3, 10, QChar('0'));
        if (file.write(unit.toUtf8()) < 0) return false;
    }
    return true;
}

// The station flashing `units` units with `folder`'s image.frw, its records in a new
// records.jsonl there.
inline StationRun RunStation(const QTemporaryDir& folder, int units, const QStringList& more = {}) {
    constexpr int kSampleMs = 20;
    QFile::remove(folder.filePath(QStringLiteral("records.jsonl")));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TARVELLON_SIM_CONFIG"),
                       folder.filePath(QStringLiteral("sim.conf")));
    process.setProcessEnvironment(environment);
    const double before = ProcessorSeconds(RUSAGE_CHILDREN);
    QElapsedTimer clock;
    clock.start();
    process.start(
        QStringLiteral(FLASH_PROGRAM),
        QStringList{QStringLiteral("station"), folder.filePath(QStringLiteral("image.frw")),
                    QStringLiteral("--count"), QString::number(units), QStringLiteral("--record"),
                    folder.filePath(QStringLiteral("records.jsonl"))} +
            more);
    StationRun run;
    while (!process.waitForFinished(kSampleMs)) {
        if (process.state() == QProcess::NotRunning) return {};
        run.stationSeconds = qMax(run.stationSeconds, OwnProcessorSeconds(process.processId()));
    }
    if (process.exitCode() != 0) return {};
    run.seconds = clock.elapsed() / 1000.0;
    run.allSeconds = ProcessorSeconds(RUSAGE_CHILDREN) - before;
    return run;
}
