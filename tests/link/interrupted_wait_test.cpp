// Ctrl-C, or a closed terminal, must end a read that blocks on the library's signal at once: the
// command line then closes the device and puts the bridge back, where a wait that ran on to its
// deadline would leave a person pressing it again.

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QThread>

#include "tests/common/SimBridge.h"
#include "tests/common/Watched.h"

namespace {

TEST(DeadlineRead, InterruptEndsANotifiedWaitWithin100Ms) {
    SimBridge sim("device = TARV0001\nsilent_from_command = id");
    ASSERT_TRUE(sim.ready());
    QProcess driver;
    driver.start(TEST_DRIVERS_DIR "/notified_wait_driver");
    ASSERT_TRUE(driver.waitForReadyRead(10000));
    QThread::msleep(300);
    ASSERT_TRUE(SignalRunning(driver, SIGINT));
    ASSERT_TRUE(driver.waitForFinished(10000));
    const QList<QByteArray> ended = driver.readAllStandardOutput().split('\n').value(1).split(' ');
    EXPECT_EQ(ended.value(0), "interrupted");
    EXPECT_LE(ended.value(1).toInt(), 100);
}

}  // namespace
