// The window is what the operator reads at the bench: a control out of place, a caption wrong or a
// prompt that names the wrong missing selection sends them the wrong way.

#include <QSignalSpy>
#include <QtTest>

#include "app/Form1.h"

class WindowTest : public QObject {
    Q_OBJECT
  private slots:
    void controlsSitInTheirFrames_data();
    void controlsSitInTheirFrames();
    void windowIsFixedAndNamed();
    void captionsAndPictures();
    void tabWalksTheControlsInOrder();
    void statusPromptNamesWhatIsMissing_data();
    void statusPromptNamesWhatIsMissing();
};

void WindowTest::controlsSitInTheirFrames_data() {
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Frame1") << "Form1" << QRect(16, 8, 305, 297);
    QTest::newRow("Drive") << "Frame1" << QRect(16, 24, 273, 21);
    QTest::newRow("DirBox") << "Frame1" << QRect(16, 56, 273, 156);
    QTest::newRow("File") << "Frame1" << QRect(16, 224, 273, 58);
    QTest::newRow("Frame4") << "Form1" << QRect(336, 8, 289, 297);
    QTest::newRow("Logbox") << "Frame4" << QRect(16, 24, 257, 257);
    QTest::newRow("DeviceSelectionFrame") << "Form1" << QRect(16, 320, 209, 145);
    QTest::newRow("DevicesList") << "DeviceSelectionFrame" << QRect(16, 24, 177, 56);
    QTest::newRow("CurrentLabel") << "DeviceSelectionFrame" << QRect(16, 88, 81, 17);
    QTest::newRow("CurrentDeviceLabel") << "DeviceSelectionFrame" << QRect(104, 88, 89, 17);
    QTest::newRow("DevicesRescan") << "DeviceSelectionFrame" << QRect(104, 104, 89, 25);
    QTest::newRow("Frame2") << "Form1" << QRect(240, 320, 385, 145);
    QTest::newRow("Frame3") << "Frame2" << QRect(16, 24, 201, 73);
    QTest::newRow("Status") << "Frame3" << QRect(8, 32, 185, 17);
    QTest::newRow("Upgrade") << "Frame2" << QRect(232, 32, 137, 65);
    QTest::newRow("ProgressBar") << "Frame2" << QRect(16, 112, 353, 17);
}

void WindowTest::controlsSitInTheirFrames() {
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    Form1 window;
    auto* widget = window.findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->geometry(), geometry);
}

void WindowTest::windowIsFixedAndNamed() {
    Form1 window;
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("µTarvellon Firmware Upgrader - Velmora"));
    QCOMPARE(window.size(), QSize(640, 480));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!window.windowIcon().availableSizes().isEmpty());
}

void WindowTest::captionsAndPictures() {
    Form1 window;
    QCOMPARE(window.Frame1->title(), QStringLiteral("Firmware file selection"));
    QCOMPARE(window.Frame4->title(), QStringLiteral("Logging"));
    QCOMPARE(window.DeviceSelectionFrame->title(), QStringLiteral("Device selection"));
    QCOMPARE(window.Frame2->title(), QStringLiteral("Firmware upgrade"));
    QCOMPARE(window.Frame3->title(), QStringLiteral("Status"));
    QCOMPARE(window.Status->text(), QStringLiteral("status will display here"));
    QCOMPARE(window.CurrentLabel->text(), QStringLiteral("Current device :"));
    QCOMPARE(window.CurrentDeviceLabel->text(), QStringLiteral("-- none selected --"));
    QCOMPARE(window.DevicesRescan->text(), QStringLiteral("Re-scan"));
    QCOMPARE(window.Upgrade->text(), QStringLiteral("Upgrade firmware now"));
    QCOMPARE(window.DevicesList->toolTip(), QStringLiteral("Select a device to talk to"));
    QCOMPARE(window.DevicesList->count(), 0);
    QCOMPARE(window.Logbox->toPlainText(), QString());
    QCOMPARE(window.ProgressBar->minimum(), 0);
    QCOMPARE(window.ProgressBar->maximum(), 100);

    QVERIFY(window.Frame1->font().bold());
    QVERIFY(window.Status->font().bold());
    QVERIFY(!window.Frame3->font().bold());
    QVERIFY(!window.Drive->font().bold());
    QVERIFY(!window.CurrentLabel->font().bold());
    QCOMPARE(window.Frame1->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QCOMPARE(window.Frame4->palette().color(QPalette::WindowText), QColor(192, 0, 192));
    QCOMPARE(window.DeviceSelectionFrame->palette().color(QPalette::WindowText),
             QColor(192, 64, 0));
    QCOMPARE(window.Frame3->palette().color(QPalette::WindowText), QColor(0, 128, 128));
    QCOMPARE(window.Status->palette().color(QPalette::WindowText), QColor(Qt::black));
    QVERIFY(window.CurrentLabel->palette().color(QPalette::WindowText) != QColor(192, 64, 0));

    const QIcon pictures = window.Upgrade->icon();
    const QImage enabled = pictures.pixmap(32, QIcon::Normal).toImage();
    const QImage disabled = pictures.pixmap(32, QIcon::Disabled).toImage();
    QVERIFY(!enabled.isNull());
    QVERIFY(enabled != disabled);
}

void WindowTest::tabWalksTheControlsInOrder() {
    Form1 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.Drive->setFocus();
    const QStringList expected = {"DirBox",        "File",   "Upgrade", "DevicesList",
                                  "DevicesRescan", "Logbox", "Drive"};
    for (const QString& name : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
    }
}

void WindowTest::statusPromptNamesWhatIsMissing_data() {
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("nothing") << ""
                             << ""
                             << "Please select a file and device.";
    QTest::newRow("file only") << ""
                               << "/fw/a.frw"
                               << "Please select a device.";
    QTest::newRow("device only") << "FT1234"
                                 << ""
                                 << "Please select a file.";
    QTest::newRow("both") << "FT1234"
                          << "/fw/a.frw"
                          << "Ready.";
    QTest::newRow("serial of blanks") << "   "
                                      << ""
                                      << "Please select a file.";
}

void WindowTest::statusPromptNamesWhatIsMissing() {
    QFETCH(QString, serial);
    QFETCH(QString, path);
    QFETCH(QString, prompt);
    Form1 window;
    window.DeviceSerial = serial;
    window.FirmwarePath = path;
    window.UpdateStatusPrompt();
    QCOMPARE(window.Status->text(), prompt);
    QCOMPARE(window.DeviceSerial, serial);
    QCOMPARE(window.FirmwarePath, path);
}

QTEST_MAIN(WindowTest)
#include "window_qtest.moc"
