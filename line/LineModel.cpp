#include "line/LineModel.h"

#include <QJsonDocument>

#include "line/StationStatus.h"
#include "line/Topics.h"

namespace {

// A view has no will: nobody needs to know that it went.
MqttSettings settingsFor(const LinkOptions& options) {
    MqttSettings settings;
    settings.broker = options.broker;
    settings.caFile = options.caFile;
    settings.credentials = options.credentials;
    return settings;
}

}  // namespace

LineModel::LineModel(const LinkOptions& options, QObject* parent)
    : QObject(parent), m_line(options.line), m_client(settingsFor(options)) {
    connect(&m_client, &MqttClient::connected, this, &LineModel::connected);
    connect(&m_client, &MqttClient::disconnected, this, [this](const QString& reason) {
        m_link.connected = false;
        m_link.reason = reason;
        if (!m_link.downSince.isValid()) m_link.downSince = QDateTime::currentDateTime();
        m_caughtUp = false;
        emit linkChanged();
    });
    connect(&m_client, &MqttClient::subscribed, this, [this](int id) {
        if (id != m_marker) return;
        m_caughtUp = true;
        emit caughtUpNow();
    });
    connect(&m_client, &MqttClient::received, this, &LineModel::received);
}

void LineModel::open() {
    m_client.open();
}

void LineModel::close() {
    m_client.close();
}

void LineModel::connected() {
    m_link = {};
    m_link.connected = true;
    emit linkChanged();
    m_client.subscribe(Topics::LineFilters(m_line));
    // The broker answers requests in turn, so the answer to this second one comes after every
    // retained message of the first.
    m_marker = m_client.subscribe({Topics::Marker(m_line)});
}

void LineModel::received(const QString& topic, const QByteArray& payload, bool retained) {
    const Topics::Parsed parsed = Topics::Parse(m_line, topic);
    if (parsed.kind == Topics::Kind::Other) return;
    // A retained message cleared: the station was taken off the line.
    if (payload.isEmpty()) {
        m_stations.remove(parsed.station);
        emit changed();
        return;
    }
    Heard& heard = m_stations[parsed.station];
    heard.entry.name = parsed.station;
    const QJsonObject message = QJsonDocument::fromJson(payload).object();
    if (parsed.kind == Topics::Kind::Status) {
        heard.entry.status = message;
    } else {
        const bool online = message.value(QStringLiteral("online")).toBool();
        heard.entry.online = online;
        heard.saidOfflineAt =
            online ? QDateTime()
                   : QDateTime::fromString(message.value(QStringLiteral("time")).toString(),
                                           Qt::ISODateWithMs);
        heard.seenOfflineAt = online || retained ? QDateTime() : QDateTime::currentDateTimeUtc();
    }
    emit changed();
}

QList<StationEntry> LineModel::stations() const {
    QList<StationEntry> entries;
    for (const Heard& heard : m_stations) {
        StationEntry entry = heard.entry;
        if (!entry.online) {
            const QDateTime lastHeard = QDateTime::fromString(
                entry.status.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
            entry.offlineSince = heard.saidOfflineAt.isValid()   ? heard.saidOfflineAt
                                 : heard.seenOfflineAt.isValid() ? heard.seenOfflineAt
                                                                 : lastHeard;
        }
        entries.append(entry);
    }
    return entries;
}

LineTotals LineModel::totals() const {
    LineTotals totals;
    for (const Heard& heard : m_stations) {
        const QJsonObject& status = heard.entry.status;
        const Totals figures = StationStatus::FiguresOf(status);
        totals.passed += figures.passed;
        totals.failed += figures.failed;
        totals.lastHour += figures.lastHour;
        ++(heard.entry.online ? totals.online : totals.offline);
        if (heard.entry.online &&
            status.value(QStringLiteral("state")) == QStringLiteral("line_stopped")) {
            ++totals.linesStopped;
        }
    }
    const int done = totals.passed + totals.failed;
    if (done > 0) totals.yieldPercent = totals.passed * 100 / done;
    return totals;
}
