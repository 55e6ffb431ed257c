#pragma once

// A program a test starts and reads while it runs: the test waits for a line of its output, and
// the program is ended with the test whatever happens.

#include <QByteArray>
#include <QProcess>
#include <QString>

class WatchedProcess {
  public:
    WatchedProcess() = default;
    WatchedProcess(const WatchedProcess&) = delete;
    WatchedProcess& operator=(const WatchedProcess&) = delete;
    // SIGKILL, when it still runs.
    ~WatchedProcess();

    // Waits, `ms` at most, until its stdout so far matches `pattern`, a regular expression in
    // which ^ and $ stand at each line's start and end.
    bool says(const QString& pattern, int ms);
    // Sends `signal` and waits for the end.
    void kill(int signal);
    // Its stdout as read so far.
    const QByteArray& output() const { return m_out; }
    QProcess process;

  private:
    QByteArray m_out;
};
