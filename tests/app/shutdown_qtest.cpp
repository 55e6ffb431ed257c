// Closing the window in the middle of an upgrade or a blink must close the device and end the
// program there and then: an operation that resumed after its window is gone would talk to a
// closed port or show boxes nobody can answer.

#include <sys/wait.h>
#include <unistd.h>

#include <QtTest>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "tests/common/SimBridge.h"

class ShutdownTest : public QObject {
    Q_OBJECT
  private slots:
    // A child process runs the operation in the real window and closes it 300 ms on; a box ends it
    // with 4, an operation that returns with 3. Seen: its exit code, and the transcript's events
    // but writes, reads and commands. The upgrade stopped at the key; the blink never reset.
    void closingDuringAWaitEndsTheProgram_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("config");
        // clang-format off
        QTest::newRow("upgrade waiting for the key") << "upgrade" << "runlevel = boot\nsilent_from_command = firmkey";
        QTest::newRow("identify blink") << "blink" << "";
        // clang-format on
    }
    void closingDuringAWaitEndsTheProgram() {
        QFETCH(QString, operation);
        QFETCH(QString, config);
        SimBridge bridge("device = TARV-A\n" + config);
        QVERIFY(bridge.ready());
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            MessageBoxes::SetHandler([](const QString&, MessageIcon) { std::_Exit(4); });
            Form1 window;
            window.show();
            window.DeviceSerial = "TARV-A";
            window.FirmwarePath = SAMPLE_IMAGES_DIR "/accepted.frw";
            window.DevicesList->addItem(window.DeviceSerial);
            window.DevicesList->setCurrentRow(0);
            QTimer::singleShot(300, &window, &QWidget::close);
            operation == "upgrade" ? window.Upgrade_Click() : window.DevicesList_Click();
            std::_Exit(3);
        }
        int status = -1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QByteArrayList kinds;
        for (const SimEvent& event : bridge.events())
            if (!QByteArrayList{"write", "read", "command"}.contains(event.kind))
                kinds << event.kind;
        QCOMPARE(QStringList({QString::number(status), kinds.join(' ')}),
                 QStringList({"0", "open close"}));
        QVERIFY(operation == "upgrade" ? bridge.writes().constLast() == "firmkey\n"
                                       : !bridge.writes().contains("reset\n"));
    }
};

QTEST_MAIN(ShutdownTest)
#include "shutdown_qtest.moc"
