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

void Watched::end(int signal) {
    // Once it has ended its pid is 0, and kill(0) would signal the test's own process group.
    if (process.state() == QProcess::NotRunning) return;
    ::kill(pid_t(process.processId()), signal);
    process.waitForFinished(60000);
}
