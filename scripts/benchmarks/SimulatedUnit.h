#pragma once

// What the benchmarks of the record file share: one simulated unit that the real programs flash
// from a benchmark image in a folder of their own, and a process's largest resident size.

#include <QFile>
#include <QTemporaryDir>

#include "scripts/benchmarks/BenchmarkImage.h"

// The unit BENCH001, `programMs` a record, and `work`'s image.frw of `records` records; the
// programs' temporary folder is `work` too. False when its files cannot be written.
inline bool SetUpSimulatedUnit(const QTemporaryDir& work, int records, int programMs) {
    const QString config = work.filePath(QStringLiteral("sim.conf"));
    QFile simConfig(config);
    if (!work.isValid() ||
        !WriteBenchmarkImage(work.filePath(QStringLiteral("image.frw")), records) ||
        !simConfig.open(QIODevice::WriteOnly) ||
        simConfig.write(QByteArray("device = BENCH001\nlatency_ms = 0\nprogram_ms = ") +
                        QByteArray::number(programMs) + '\n') < 0) {
        return false;
    }
    qputenv("TARVELLON_SIM_CONFIG", QFile::encodeName(config));
    qputenv("TMPDIR", QFile::encodeName(work.path()));
    return true;
}

inline qint64 PeakKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}
