// The window is what the operator reads at the bench: a control out of place, a caption wrong or a
// Tab order that skips a control sends them the wrong way.

#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include "app/Form1.h"
#include "support/Logging.h"

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
    // Seen: the parent, the place and size, the text's weight and colour ("default": the
    // application's), the caption.
    void controlsSitInTheirFrames_data() {
        QTest::addColumn<QString>("seen");
        // clang-format off
        QTest::newRow("Frame1") << "Form1 16,8 305x297 bold #008000 Firmware file selection";
        QTest::newRow("Drive") << "Frame1 16,24 273x21 regular default";
        QTest::newRow("DirBox") << "Frame1 16,56 273x156 regular default";
        QTest::newRow("File") << "Frame1 16,224 273x58 regular default";
        QTest::newRow("Frame4") << "Form1 336,8 289x297 bold #c000c0 Logging";
        QTest::newRow("Logbox") << "Frame4 16,24 257x257 regular default";
        QTest::newRow("DeviceSelectionFrame") << "Form1 16,320 209x145 bold #c04000 Device selection";
        QTest::newRow("DevicesList") << "DeviceSelectionFrame 16,24 177x56 regular default";
        QTest::newRow("CurrentLabel") << "DeviceSelectionFrame 16,88 81x17 regular default Current device :";
        QTest::newRow("CurrentDeviceLabel") << "DeviceSelectionFrame 104,88 89x17 regular default -- none selected --";
        QTest::newRow("DevicesRescan") << "DeviceSelectionFrame 104,104 89x25 regular default Re-scan";
        QTest::newRow("Frame2") << "Form1 240,320 385x145 bold #008080 Firmware upgrade";
        QTest::newRow("Frame3") << "Frame2 16,24 201x73 regular #008080 Status";
        QTest::newRow("Status") << "Frame3 8,32 185x17 bold #000000 status will display here";
        QTest::newRow("Upgrade") << "Frame2 232,32 137x65 regular default Upgrade firmware now";
        QTest::newRow("ProgressBar") << "Frame2 16,112 353x17 regular default";
        // clang-format on
    }
    void controlsSitInTheirFrames() {
        QFETCH(QString, seen);
        Form1 window;
        const auto* widget =
            window.findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(widget);
        const QRect r = widget->geometry();
        const QString colour = widget->palette().color(QPalette::WindowText).name();
        QCOMPARE(
            QString::asprintf("%s %d,%d %dx%d %s %s %s",
                              qPrintable(widget->parentWidget()->objectName()), r.x(), r.y(),
                              r.width(), r.height(), widget->font().bold() ? "bold" : "regular",
                              qPrintable(colour), qPrintable(captionOf(widget)))
                .trimmed(),
            seen.replace("default", QApplication::palette().color(QPalette::WindowText).name()));
    }

    // The Tab key walks the controls in their order, back to the first.
    void windowIsFixedNamedAndWalkedInOrder() {
        Form1 window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("µTarvellon Firmware Upgrader - Velmora"));
        QCOMPARE(window.size(), QSize(640, 480));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() &
                  (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        QVERIFY(!window.windowIcon().availableSizes().isEmpty());
        QCOMPARE(window.DevicesList->toolTip(), QStringLiteral("Select a device to talk to"));
        const QIcon pictures = window.Upgrade->icon();
        const QImage enabled = pictures.pixmap(32, QIcon::Normal).toImage();
        QVERIFY(!enabled.isNull() && enabled != pictures.pixmap(32, QIcon::Disabled).toImage());
        window.Drive->setFocus();
        for (const char* name :
             {"DirBox", "File", "Upgrade", "DevicesList", "DevicesRescan", "Logbox", "Drive"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(name));
        }
    }

    // The log pane is the record of an upgrade: a line that lands in the middle of the text,
    // overwrites a selection, or scrolls out of view is a line the operator never reads.
    // The operator can select and copy, but not type into the record.
    void linesLandAtTheEndInView() {
        Form1 window;
        window.show();
        QPlainTextEdit* pane = window.Logbox;
        Logging::LogLine("first line");
        QTextCursor selection = pane->textCursor();
        selection.setPosition(2);
        selection.setPosition(8, QTextCursor::KeepAnchor);
        pane->setTextCursor(selection);
        pane->setFocus();
        QTest::keyClicks(pane, "typed");
        Logging::LogLine("  µTARVEL0 ø€.frw  ");
        Logging::LogLine("");
        QStringList lines{"first line", "  µTARVEL0 ø€.frw  ", ""};
        for (int i = 0; i < 1000; ++i) Logging::LogLine(lines.emplaceBack(QString::number(i)));
        QCOMPARE(pane->toPlainText(), lines.join('\n') + '\n');
        QScrollBar* scroll = pane->verticalScrollBar();
        QVERIFY(scroll->maximum() > 0 && scroll->value() == scroll->maximum());
        const QTextCursor lastLine(pane->document()->findBlockByNumber(lines.size() - 1));
        QVERIFY(pane->viewport()->rect().intersects(pane->cursorRect(lastLine)));
    }
};

QTEST_MAIN(WindowTest)
#include "window_qtest.moc"
