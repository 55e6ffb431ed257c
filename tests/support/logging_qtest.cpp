// The log pane is the operator's record of an upgrade: a line that lands in the middle of the
// text, overwrites a selection, or scrolls out of view is a line the operator never reads.

#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include "app/Form1.h"
#include "support/Logging.h"

class LoggingTest : public QObject {
    Q_OBJECT
  private slots:
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

QTEST_MAIN(LoggingTest)
#include "logging_qtest.moc"
