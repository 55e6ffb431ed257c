// Closing the window in the middle of an upgrade or a blink must close the device and end the
// program there and then: an operation that resumed after its window is gone would talk to a
// closed port or show boxes nobody can answer.

#include <QProcess>
#include <QtTest>

#include "tests/common/SimBridge.h"

class ShutdownTest : public QObject {
    Q_OBJECT
  private slots:
    void closingDuringAWaitEndsTheProgram_data();
    void closingDuringAWaitEndsTheProgram();
};

void ShutdownTest::closingDuringAWaitEndsTheProgram_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("config");
    QTest::newRow("upgrade waiting for the key")
        << "upgrade"
        << "device = TARV-A\nrunlevel = boot\nsilent_from_command = firmkey\n";
    QTest::newRow("identify blink") << "blink"
                                    << "device = TARV-A\n";
}

void ShutdownTest::closingDuringAWaitEndsTheProgram() {
    QFETCH(QString, operation);
    QFETCH(QString, config);
    SimBridge bridge(config);
    QVERIFY(bridge.ready());

    QProcess program;
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.start(QStringLiteral(TEST_DRIVERS_DIR "/close_during_wait_driver"),
                  {operation, QStringLiteral("TARV-A"),
                   QStringLiteral(SAMPLE_IMAGES_DIR "/accepted.frw"), QStringLiteral("300")});
    QVERIFY(program.waitForFinished(20000));

    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardOutput(), QByteArray());
    const QList<SimEvent> events = bridge.events();
    QVERIFY(!events.isEmpty());
    QCOMPARE(events.first().kind, SimEvent::Kind::Open);
    QCOMPARE(events.last().kind, SimEvent::Kind::Close);
    QCOMPARE(bridge.events(SimEvent::Kind::Close).size(), 1);
    if (operation == QLatin1String("blink")) {
        QVERIFY(bridge.writes().size() < 19);
    } else {
        QCOMPARE(bridge.writes().constLast(), QByteArray("firmkey\n"));
    }
}

QTEST_MAIN(ShutdownTest)
#include "shutdown_qtest.moc"
