#pragma once

// What the station's process tests share: simulated units, the record file read back, and a
// wait for a state.

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <functional>

namespace StationTesting {

inline const QString Images = SAMPLE_IMAGES_DIR "/";

// n units UNIT0001..., answering at once; `extra` adds settings to unit `which`.
inline QString units(int n, int which = 0, const QString& extra = {}) {
    QString config;
    for (int i = 1; i <= n; ++i)
        config += QString("device=UNIT%1\nlatency_ms=0\nprogram_ms=4\n%2\n")
                      .arg(i, 4, 10, QChar('0'))
                      .arg(i == which ? extra : QString());
    return config;
}

// The record file's lines: started and closing lines, and those that are not attempt lines.
struct RecordFileLines {
    QList<QJsonObject> started, closing;
    QByteArrayList other;
};

inline RecordFileLines readRecordFile(const QString& path) {
    QFile file(path);
    RecordFileLines records;
    for (file.open(QIODevice::ReadOnly); !file.atEnd();) {
        const QByteArray line = file.readLine().chopped(1);
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.contains("outcome"))
            records.closing << record;
        else if (record["state"] == "started")
            records.started << record;
        else
            records.other << line;
    }
    return records;
}

// Waits until `done` holds, `ms` at most.
inline bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    for (clock.start(); !done(); QThread::msleep(10))
        if (clock.elapsed() > ms) return false;
    return true;
}

}  // namespace StationTesting
