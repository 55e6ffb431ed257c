#pragma once

// A station's record file read back: its started lines, its closing lines, and the lines that are
// neither (torn or foreign), in file order.

#include <QByteArrayList>
#include <QJsonObject>
#include <QList>
#include <QString>

struct RecordFileLines {
    QList<QJsonObject> started, closing;
    QByteArrayList other;
};

RecordFileLines ReadRecordFile(const QString& path);
