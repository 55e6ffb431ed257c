// A logout or `systemctl stop` signals the station; ended by the signal itself, it would leave its
// units interrupted and its private image copy behind. Each signal must reach its event loop as a
// request, counted, and end nothing; once the station is gone the signals do what they did before.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>

#include "station/StopSignals.h"
#include "tests/common/WaitUntil.h"

namespace {

bool handledBy(int number, void (*handler)(int)) {
    struct sigaction action {};
    return ::sigaction(number, nullptr, &action) == 0 && action.sa_handler == handler;
}

TEST(StopSignals, EachReachesTheEventLoopAndEndsNothing) {
    int argc = 1;
    char name[] = "stop_signals_test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    ::signal(SIGHUP, SIG_IGN);
    {
        StopSignals stopSignals;
        QList<int> arrived;
        QObject::connect(&stopSignals, &StopSignals::arrived,
                         [&](int received) { arrived << received; });
        for (const int number : {SIGTERM, SIGHUP, SIGINT}) {
            SCOPED_TRACE(number);
            const qsizetype before = arrived.size();
            ASSERT_EQ(::kill(::getpid(), number), 0);
            EXPECT_TRUE(WaitUntil([&] { return arrived.size() > before; }, 10000));
        }
        EXPECT_EQ(arrived, (QList<int>{1, 2, 3}));
        EXPECT_EQ(stopSignals.received(), 3);
    }
    EXPECT_TRUE(handledBy(SIGTERM, SIG_DFL));
    EXPECT_TRUE(handledBy(SIGHUP, SIG_IGN));
    ::signal(SIGHUP, SIG_DFL);
}

}  // namespace
