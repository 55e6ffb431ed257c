#pragma once

// Processor time, user and system, of this process (RUSAGE_SELF) or of its children that have
// ended and been waited for (RUSAGE_CHILDREN), or of a running process alone, without its
// children.

#include <sys/resource.h>
#include <unistd.h>

#include <QFile>
#include <QList>

inline double ProcessorSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// -1 once the process is gone.
inline double OwnProcessorSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray text = stat.readAll();
    // After the name in parentheses: state is field 3, utime 14 and stime 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}
