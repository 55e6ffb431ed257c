#pragma once

// The line as its broker holds it: each station's retained status and whether it is online,
// followed as they change. Both views of the line, the window and the command line, read it. A
// view that starts late still sees every station at once, since the broker keeps the last of
// each; caughtUp() says when those have all come.

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <optional>

#include "line/LinkOptions.h"
#include "line/LinkState.h"
#include "line/MqttClient.h"

struct StationEntry {
    QString name;
    bool online = false;
    // When it went offline, as well as that is known: said by the station, else seen here, else
    // the time of its last status, the last moment it was heard of. Invalid when not known.
    QDateTime offlineSince;
    QJsonObject status;  // the last; empty before one came
};

struct LineTotals {
    int passed = 0;
    int failed = 0;
    std::optional<int> yieldPercent;  // passed of those done, rounded down; none before the first
    int lastHour = 0;
    int online = 0;
    int offline = 0;
    int linesStopped = 0;  // online stations that start no new unit after a lost record
};

class LineModel : public QObject {
    Q_OBJECT
  public:
    explicit LineModel(const LinkOptions& options, QObject* parent = nullptr);

    void open();
    void close();
    const QString& line() const { return m_line; }
    const LinkState& link() const { return m_link; }
    bool caughtUp() const { return m_caughtUp; }

    // In the order of their names.
    QList<StationEntry> stations() const;
    LineTotals totals() const;

  signals:
    void changed();
    void linkChanged();
    // Every retained message at the subscription has come; after each reconnect too.
    void caughtUpNow();

  private:
    struct Heard {
        StationEntry entry;
        QDateTime saidOfflineAt;  // by the station itself
        QDateTime seenOfflineAt;  // by this view, live
    };
    void connected();
    void received(const QString& topic, const QByteArray& payload, bool retained);

    QString m_line;
    MqttClient m_client;
    QMap<QString, Heard> m_stations;
    std::optional<int> m_marker;  // the subscription whose answer follows the retained messages
    bool m_caughtUp = false;
    LinkState m_link;
};
