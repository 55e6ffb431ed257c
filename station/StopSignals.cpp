#include "station/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <iterator>

#include "station/StationEngine.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A handler may do little: it wakes the event loop through a pipe.
std::atomic<int> wakeFd{-1};

void wake(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd.load(), &byte, 1);
    errno = saved;
}

// What the signals did before, given back at the end.
struct sigaction previous[std::size(kSignals)];

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    wakeFd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readPending);
    struct sigaction action {};
    action.sa_handler = wake;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &action, &previous[i]);
    }
}

StopSignals::~StopSignals() {
    if (m_pipe[0] < 0) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &previous[i], nullptr);
    }
    wakeFd = -1;
    delete m_notifier;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void StopSignals::drive(StationEngine& engine) {
    connect(this, &StopSignals::arrived, &engine,
            [&engine](int received) { received >= 2 ? engine.abort() : engine.stop(); });
}

void StopSignals::readPending() {
    char bytes[16];
    for (ssize_t got; (got = ::read(m_pipe[0], bytes, sizeof bytes)) > 0;) {
        for (ssize_t i = 0; i < got; ++i) emit arrived(++m_received);
    }
}
