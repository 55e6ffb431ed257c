// The window is what the operator reads at the bench: a control out of place, a caption wrong or a
// prompt that names the wrong missing selection sends them the wrong way.

#include <QtTest>

#include "app/Form1.h"

namespace {

QString captionOf(const QWidget* widget) {
    if (auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title();
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    return {};
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
  private slots:
    void controlsSitInTheirFrames_data();
    void controlsSitInTheirFrames();
    void windowIsFixedAndNamed();
    void tabWalksTheControlsInOrder();
    void statusPromptNamesWhatIsMissing_data();
    void statusPromptNamesWhatIsMissing();
};

void WindowTest::controlsSitInTheirFrames_data() {
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("colour");  // invalid: the default text colour
    const QColor plain;
    // clang-format off
    QTest::newRow("Frame1") << "Form1" << QRect(16, 8, 305, 297) << "Firmware file selection" << true << QColor(0, 128, 0);
    QTest::newRow("Drive") << "Frame1" << QRect(16, 24, 273, 21) << "" << false << plain;
    QTest::newRow("DirBox") << "Frame1" << QRect(16, 56, 273, 156) << "" << false << plain;
    QTest::newRow("File") << "Frame1" << QRect(16, 224, 273, 58) << "" << false << plain;
    QTest::newRow("Frame4") << "Form1" << QRect(336, 8, 289, 297) << "Logging" << true << QColor(192, 0, 192);
    QTest::newRow("Logbox") << "Frame4" << QRect(16, 24, 257, 257) << "" << false << plain;
    QTest::newRow("DeviceSelectionFrame") << "Form1" << QRect(16, 320, 209, 145) << "Device selection" << true << QColor(192, 64, 0);
    QTest::newRow("DevicesList") << "DeviceSelectionFrame" << QRect(16, 24, 177, 56) << "" << false << plain;
    QTest::newRow("CurrentLabel") << "DeviceSelectionFrame" << QRect(16, 88, 81, 17) << "Current device :" << false << plain;
    QTest::newRow("CurrentDeviceLabel") << "DeviceSelectionFrame" << QRect(104, 88, 89, 17) << "-- none selected --" << false << plain;
    QTest::newRow("DevicesRescan") << "DeviceSelectionFrame" << QRect(104, 104, 89, 25) << "Re-scan" << false << plain;
    QTest::newRow("Frame2") << "Form1" << QRect(240, 320, 385, 145) << "Firmware upgrade" << true << QColor(0, 128, 128);
    QTest::newRow("Frame3") << "Frame2" << QRect(16, 24, 201, 73) << "Status" << false << QColor(0, 128, 128);
    QTest::newRow("Status") << "Frame3" << QRect(8, 32, 185, 17) << "status will display here" << true << QColor(Qt::black);
    QTest::newRow("Upgrade") << "Frame2" << QRect(232, 32, 137, 65) << "Upgrade firmware now" << false << plain;
    QTest::newRow("ProgressBar") << "Frame2" << QRect(16, 112, 353, 17) << "" << false << plain;
    // clang-format on
}

void WindowTest::controlsSitInTheirFrames() {
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(bool, bold);
    QFETCH(QColor, colour);
    Form1 window;
    auto* widget = window.findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(captionOf(widget), caption);
    QCOMPARE(widget->font().bold(), bold);
    const QColor text = widget->palette().color(QPalette::WindowText);
    QCOMPARE(text, colour.isValid() ? colour : QApplication::palette().color(QPalette::WindowText));
}

void WindowTest::windowIsFixedAndNamed() {
    Form1 window;
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("µTarvellon Firmware Upgrader - Velmora"));
    QCOMPARE(window.size(), QSize(640, 480));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(
        !(window.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
    QVERIFY(!window.windowIcon().availableSizes().isEmpty());
    QCOMPARE(window.DevicesList->toolTip(), QStringLiteral("Select a device to talk to"));
    QCOMPARE(window.ProgressBar->maximum(), 100);
    const QIcon pictures = window.Upgrade->icon();
    const QImage enabled = pictures.pixmap(32, QIcon::Normal).toImage();
    QVERIFY(!enabled.isNull());
    QVERIFY(enabled != pictures.pixmap(32, QIcon::Disabled).toImage());
}

void WindowTest::tabWalksTheControlsInOrder() {
    Form1 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.Drive->setFocus();
    for (const char* name :
         {"DirBox", "File", "Upgrade", "DevicesList", "DevicesRescan", "Logbox", "Drive"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(name));
    }
}

void WindowTest::statusPromptNamesWhatIsMissing_data() {
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("prompt");
    // clang-format off
    QTest::newRow("nothing") << "" << "" << "Please select a file and device.";
    QTest::newRow("file only") << "" << "/fw/a.frw" << "Please select a device.";
    QTest::newRow("device only") << "FT1234" << "" << "Please select a file.";
    QTest::newRow("both") << "FT1234" << "/fw/a.frw" << "Ready.";
    QTest::newRow("serial of blanks") << "   " << "" << "Please select a file.";
    // clang-format on
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
}

QTEST_MAIN(WindowTest)
#include "window_qtest.moc"
