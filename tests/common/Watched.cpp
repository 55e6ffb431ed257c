#include "tests/common/Watched.h"

#include <signal.h>

#include <QRegularExpression>

#include "tests/common/WaitUntil.h"

Watched::Watched(const QString& program, const QStringList& args,
                 const QProcessEnvironment& environment) {
    if (!environment.isEmpty()) process.setProcessEnvironment(environment);
    process.start(program, args);
}

Watched::~Watched() {
    end(SIGKILL);
}

bool Watched::says(const QString& pattern, int ms) {
    const QRegularExpression lines(pattern, QRegularExpression::MultilineOption);
    return WaitUntil(
        [&] {
            process.waitForReadyRead(0);
            out += process.readAllStandardOutput();
            return lines.match(QString::fromUtf8(out)).hasMatch();
        },
        ms);
}

bool SignalRunning(const QProcess& process, int signal) {
    const qint64 pid = process.processId();
    return process.state() != QProcess::NotRunning && pid > 0 && ::kill(pid_t(pid), signal) == 0;
}

void Watched::end(int signal) {
    if (SignalRunning(process, signal)) process.waitForFinished(60000);
}
