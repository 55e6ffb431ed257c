// Closing the window in the middle of an upgrade or a blink must close the device and end the
// program there and then: an operation that resumed after its window is gone would talk to a
// closed port or show boxes nobody can answer.

#include <QProcess>
#include <QtTest>

#include "tests/common/SimBridge.h"
#include "tests/common/WireSteps.h"

class ClosingTest : public QObject {
    Q_OBJECT
  private slots:
    // Seen: how the program ended, and the transcript's events but writes, reads and commands. The
    // operation stopped at the row's last write; the blink never reached its reset.
    void closingDuringAWaitEndsTheProgram_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("lastWrite");
        // clang-format off
        QTest::newRow("upgrade waiting for the key") << "upgrade" << "runlevel = boot\nsilent_from_command = firmkey" << "firmkey\n";
        QTest::newRow("identify blink") << "blink" << "" << "";
        // clang-format on
    }
    void closingDuringAWaitEndsTheProgram() {
        QFETCH(QString, operation);
        QFETCH(QString, config);
        QFETCH(QString, lastWrite);
        SimBridge bridge("device = TARV-A\n" + config);
        QVERIFY(bridge.ready());
        QProcess program;
        program.start(TEST_DRIVERS_DIR "/close_during_wait_driver", {operation});
        QVERIFY(program.waitForFinished(20000));

        QStringList opens = WireSteps(bridge.events());
        opens.removeIf(
            [](const QString& step) { return step.startsWith("→") || step.startsWith("←"); });
        QCOMPARE(QStringList({QString::number(program.exitStatus()),
                              QString::number(program.exitCode()), opens.join(' ')}),
                 QStringList({"0", "0", "open TARV-A close TARV-A"}));
        QVERIFY(lastWrite.isEmpty() ? !bridge.writes().contains("reset\n")
                                    : bridge.writes().constLast() == lastWrite);
    }
};

QTEST_MAIN(ClosingTest)
#include "closing_qtest.moc"
