#pragma once

// A program a test starts and reads while it runs, ended with the test whatever happens.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Sends `signal` to `process` and says so, if it still runs: once it has ended its pid is 0, and
// kill(0) would signal the test's own process group.
bool SignalRunning(const QProcess& process, int signal);

class Watched {
  public:
    // Started at once, in `environment` where one is given.
    Watched(const QString& program, const QStringList& args,
            const QProcessEnvironment& environment = {});
    // SIGKILL, if it still runs.
    ~Watched();
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched&) = delete;

    // Waits until its stdout so far matches `pattern`, in which ^ and $ stand at each line's start
    // and end.
    bool says(const QString& pattern, int ms = 60000);
    // Sends `signal`, if it still runs, and waits for it to end.
    void end(int signal);

    QProcess process;
    QByteArray out;
};
