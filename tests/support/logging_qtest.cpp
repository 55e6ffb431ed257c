// The log pane is the operator's record of an upgrade: a line that lands in the middle of the
// text, overwrites a selection, or scrolls out of view is a line the operator never reads.

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include "app/Form1.h"
#include "support/Logging.h"

class LoggingTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void linesLandAtTheEndAsPassed_data();
    void linesLandAtTheEndAsPassed();
    void operatorSelectionDoesNotMoveTheLine();
    void thousandLinesAllKeptLastInView();

  private:
    std::unique_ptr<Form1> m_window;
    QPlainTextEdit* m_pane = nullptr;
};

void LoggingTest::init() {
    m_window = std::make_unique<Form1>();
    m_window->show();
    m_pane = m_window->Logbox;
}

void LoggingTest::linesLandAtTheEndAsPassed_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("text");
    QTest::newRow("one line") << QStringList{"Upgrading firmware..."} << "Upgrading firmware...\n";
    QTest::newRow("empty line") << QStringList{"a", ""} << "a\n\n";
    QTest::newRow("only empty") << QStringList{""} << "\n";
    QTest::newRow("non-ASCII") << QStringList{"Firmware file selected : µTARVEL0 ø€.frw"}
                               << "Firmware file selected : µTARVEL0 ø€.frw\n";
    QTest::newRow("spaces kept") << QStringList{"  x  "} << "  x  \n";
}

void LoggingTest::linesLandAtTheEndAsPassed() {
    QFETCH(QStringList, lines);
    QFETCH(QString, text);
    for (const QString& line : lines) Logging::LogLine(line);
    QCOMPARE(m_pane->toPlainText(), text);
    QCOMPARE(m_pane->textCursor().position(), m_pane->document()->characterCount() - 1);
}

// The operator can select and copy, but not type into the record.
void LoggingTest::operatorSelectionDoesNotMoveTheLine() {
    Logging::LogLine("first line");
    Logging::LogLine("second line");
    QTextCursor selection = m_pane->textCursor();
    selection.setPosition(2);
    selection.setPosition(8, QTextCursor::KeepAnchor);
    m_pane->setTextCursor(selection);
    QCOMPARE(m_pane->textCursor().selectedText(), QStringLiteral("rst li"));

    m_pane->setFocus();
    QTest::keyClicks(m_pane, "typed");
    Logging::LogLine("third line");
    QCOMPARE(m_pane->toPlainText(), QStringLiteral("first line\nsecond line\nthird line\n"));
}

void LoggingTest::thousandLinesAllKeptLastInView() {
    for (int i = 0; i < 1000; ++i) Logging::LogLine(QStringLiteral("line %1").arg(i));
    const QStringList lines = m_pane->toPlainText().split('\n');
    QCOMPARE(lines.size(), 1001);
    for (int i = 0; i < 1000; ++i) QCOMPARE(lines[i], QStringLiteral("line %1").arg(i));
    QScrollBar* scroll = m_pane->verticalScrollBar();
    QVERIFY(scroll->maximum() > 0);
    QCOMPARE(scroll->value(), scroll->maximum());
    QTextCursor lastLine(m_pane->document()->findBlockByNumber(999));
    QVERIFY(m_pane->viewport()->rect().intersects(m_pane->cursorRect(lastLine)));
}

QTEST_MAIN(LoggingTest)
#include "logging_qtest.moc"
