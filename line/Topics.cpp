#include "line/Topics.h"

#include <QUuid>

namespace Topics {
namespace {

const QString kRoot = QStringLiteral("tarvellon");
const QString kAttempts = QStringLiteral("attempts");
const QString kStatus = QStringLiteral("status");
const QString kOnline = QStringLiteral("online");

QString topic(const QString& line, const QString& station, const QString& leaf) {
    return QStringList{kRoot, line, station, leaf}.join('/');
}

}  // namespace

QString Attempts(const QString& line, const QString& station) {
    return topic(line, station, kAttempts);
}

QString Status(const QString& line, const QString& station) {
    return topic(line, station, kStatus);
}

QString Online(const QString& line, const QString& station) {
    return topic(line, station, kOnline);
}

QStringList LineFilters(const QString& line) {
    return {topic(line, QStringLiteral("+"), kStatus), topic(line, QStringLiteral("+"), kOnline)};
}

QString Marker(const QString& line) {
    return QStringList{kRoot, line, QUuid::createUuid().toString(QUuid::Id128)}.join('/');
}

Parsed Parse(const QString& line, const QString& topic) {
    const QStringList levels = topic.split('/');
    if (levels.size() != 4 || levels[0] != kRoot || levels[1] != line) return {};
    if (levels[3] == kStatus) return {Kind::Status, levels[2]};
    if (levels[3] == kOnline) return {Kind::Online, levels[2]};
    return {};
}

}  // namespace Topics
