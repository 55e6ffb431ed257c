#include "tests/common/RecordFileLines.h"

#include <QFile>
#include <QJsonDocument>

RecordFileLines ReadRecordFile(const QString& path) {
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
