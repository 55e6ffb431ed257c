#pragma once

// Ctrl-C, SIGTERM and SIGHUP (`systemctl stop`, a logout, a closed terminal or a dropped ssh
// session) turned into requests that the station's event loop sees: the first stops the station,
// so that the running units finish, and the next interrupts them. The station then ends through
// its own code and removes its private image copy, which a process ended by the signal itself
// leaves behind. Made before the station starts and ended after it is gone, so that a signal
// during its start or its end is caught too. One at a time in a process.

#include <QObject>

class QSocketNotifier;
class StationEngine;

class StopSignals : public QObject {
    Q_OBJECT
  public:
    explicit StopSignals(QObject* parent = nullptr);
    // The signals do what they did before again.
    ~StopSignals() override;

    int received() const { return m_received; }
    // The first signal stops `engine`, the next aborts it, as each arrives.
    void drive(StationEngine& engine);

  signals:
    void arrived(int received);

  private:
    void readPending();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};
