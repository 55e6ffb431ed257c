#include "tests/common/WatchedProcess.h"

#include <signal.h>

#include <QRegularExpression>

#include "tests/common/Mosquitto.h"

namespace {

constexpr int kEndMs = 30000;

}  // namespace

WatchedProcess::~WatchedProcess() {
    if (process.state() != QProcess::NotRunning) kill(SIGKILL);
}

bool WatchedProcess::says(const QString& pattern, int ms) {
    const QRegularExpression lines(pattern, QRegularExpression::MultilineOption);
    return WaitUntil(
        [&] {
            process.waitForReadyRead(0);
            m_out += process.readAllStandardOutput();
            return lines.match(QString::fromUtf8(m_out)).hasMatch();
        },
        ms);
}

void WatchedProcess::kill(int signal) {
    ::kill(pid_t(process.processId()), signal);
    process.waitForFinished(kEndMs);
    m_out += process.readAllStandardOutput();
}
