// With --publish, a run's link says goodbye to the broker when the line is started again or the
// window refused to start it: that runs the event loop, in which a new engine once started
// upgrades only to kill them, and a second Start once freed the link it was still using (which the
// sanitized build sees).

#include <QtTest>

#include "app/station/StationWindow.h"
#include "tests/app/StationWindowTesting.h"
#include "tests/common/Mosquitto.h"
#include "tests/common/SimBridge.h"

using namespace StationWindowTesting;

namespace {

LinkOptions lineOf(const Mosquitto& broker, const QString& station) {
    return {{"127.0.0.1", broker.port(), false}, {}, {}, "L1", station};
}

}  // namespace

class StationGoodbyeTest : public QObject {
    Q_OBJECT
  private slots:
    // A station name too long for the cursor's file name: the start is refused, and no upgrade
    // is started while the box says so.
    void aRefusedLinkStartsNoUpgrade() {
        QTest::failOnWarning(QRegularExpression("Destroyed while process"));
        SimBridge sim("device=UNIT0001\nprogram_ms=50\n");
        QVERIFY(sim.ready());
        Mosquitto broker;
        QVERIFY(broker.start());
        QTemporaryDir folder;
        StationWindowOptions options = optionsFor(folder);
        options.line = lineOf(broker, QString(300, 'S'));
        StationWindow window(options);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QString title, text;
        readBox(title, text);
        QVERIFY(!window.startWith(Images + "three-records.frw"));
        QVERIFY2(text.startsWith("cannot write the publishing cursor"), qPrintable(text));
        QCOMPARE(QFile(options.station.recordPath).size(), 0);
    }

    // Start pressed again while the last run's goodbye waits for a broker that answers nothing.
    void aSecondStartDuringTheGoodbyeWaits() {
        SimBridge sim("");
        QVERIFY(sim.ready());
        Mosquitto broker;
        QVERIFY(broker.start());
        Subscriber online(broker, "tarvellon/L1/S1/online");
        QVERIFY(online.ready());
        QTemporaryDir folder;
        StationWindowOptions options = optionsFor(folder);
        options.line = lineOf(broker, "S1");
        StationWindow window(options);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(window.startWith(Images + "three-records.frw"));
        QVERIFY(online.waitFor([](const auto& came) { return !came.isEmpty(); }, 20000));
        QTest::mouseClick(window.Stop, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window.Start->isEnabled(), 20000);
        broker.pause();
        // Clicked from within the first click's goodbye, the first event loop it runs.
        QMetaObject::invokeMethod(
            window.Start, [&] { QTest::mouseClick(window.Start, Qt::LeftButton); },
            Qt::QueuedConnection);
        QTest::mouseClick(window.Start, Qt::LeftButton);
        broker.resume();
        QVERIFY(window.Stop->isEnabled());
    }
};

QTEST_MAIN(StationGoodbyeTest)
#include "station_goodbye_qtest.moc"
