#pragma once

// A running station on the line: while its engine runs, the attempt lines its upgrades write and
// its state go to the line's broker. The engine knows nothing of the line; this follows its
// signals and builds the status from the plain values it gives its own faces, and the publisher
// reads the attempts from the record file itself, so that none goes that the file does not hold.

#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <optional>

#include "line/LinePublisher.h"
#include "station/StationEngine.h"

class StationLink : public QObject {
    Q_OBJECT
  public:
    // `engine` is started, and outlives this.
    StationLink(const LinkOptions& options, const StationEngine& engine, QObject* parent = nullptr);

    // Why the station cannot publish (the record file unreadable, the cursor unwritable), when
    // it cannot; nothing is sent then.
    std::optional<QString> start();
    const LinkState& link() const { return m_publisher.link(); }
    // Says the station's last state and that it goes offline, giving the broker a moment to
    // take them; what it has not acknowledged by then goes at the next start.
    void finish();

  signals:
    void linkChanged();

  private:
    void update();

    const StationEngine& m_engine;
    LinePublisher m_publisher;
    QString m_station;
    QJsonObject m_lastFailure;
    bool m_finished = false;
    QTimer m_clock;
};
