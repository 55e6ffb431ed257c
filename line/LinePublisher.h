#pragma once

// A station on the line: its attempts and its status on the line's broker. The record file stays
// the truth and the outbox (Outbox): the lines go out in file order at QoS 1, and the cursor moves
// only with the broker's acknowledgements, so a broker or a network that goes away loses nothing,
// and flashing never waits for either. The status is retained, sent when it changes (a few times a
// second at most) and once a minute besides, and the broker marks the station offline with its
// last will when the station dies or its network goes.

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <optional>

#include "line/LinkOptions.h"
#include "line/LinkState.h"
#include "line/MqttClient.h"
#include "line/Outbox.h"

class LinePublisher : public QObject {
    Q_OBJECT
  public:
    LinePublisher(const LinkOptions& options, const QString& recordPath, QObject* parent = nullptr);

    // Reads the cursor and the backlog past it, then connects; flashing may start at once. Why
    // not, when the record file cannot be read or the cursor cannot be written.
    std::optional<QString> start();

    // The station's state as StationStatus::Body gives it; sent when it differs from the last.
    void setStatus(const QJsonObject& body);
    // The upgrades running: while any does, it may still append to a record file renamed under
    // it, so the outbox keeps to that file.
    void setUpgradesRunning(int count);
    const LinkState& link() const { return m_link; }

    // Says the station goes offline and gives the broker up to `ms` to take that, the lines
    // waiting and a last status; what it has not acknowledged by then goes at the next start.
    void finish(int ms);

  signals:
    void linkChanged();

  private:
    void connected();
    void disconnected(const QString& reason);
    void delivered(int id);
    void recordFileChanged();
    void sendLines();
    // `always`: also when nothing changed since the last. The message's id, when one went.
    std::optional<int> sendStatus(bool always);
    void statusChanged();
    void updateLink();

    LinkOptions m_options;
    QString m_recordPath;
    MqttClient m_client;
    Outbox m_outbox;
    QFileSystemWatcher m_watcher;
    int m_upgradesRunning = 0;
    QHash<int, qint64> m_inFlight;  // line ends by message id
    QJsonObject m_body;
    QJsonObject m_sent;            // the last status sent, without its time
    std::optional<int> m_goodbye;  // the offline message, once finish() sent it
    QElapsedTimer m_sinceStatus;
    QTimer m_statusDue;
    QTimer m_heartbeat;
    QTimer m_cursorDue;
    QDateTime m_downSince;
    QString m_reason;
    LinkState m_link;
};
