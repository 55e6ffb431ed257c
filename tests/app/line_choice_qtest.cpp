// Started from the menu, the line view asks for its broker and line: a choice it cannot use must
// be said in the dialog and never taken, and the one taken is offered again at the next start.

#include <QTemporaryDir>
#include <QtTest>

#include "app/line/LineChoice.h"

class LineChoiceTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    void takesOnlyWhatItCanUse_data() {
        QTest::addColumn<QString>("broker");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("error");
        QTest::newRow("no scheme") << "line-pc"
                                   << "L1"
                                   << "the broker 'line-pc' is not mqtt://HOST[:PORT] or "
                                      "mqtts://HOST[:PORT]: no scheme";
        QTest::newRow("no line") << "mqtt://line-pc"
                                 << ""
                                 << "--line takes a name";
        QTest::newRow("usable") << "mqtt://line-pc:1884"
                                << "L1"
                                << "";
    }

    void takesOnlyWhatItCanUse() {
        QFETCH(QString, broker);
        QFETCH(QString, line);
        QFETCH(QString, error);
        LineChoice choice;
        choice.show();
        QVERIFY(QTest::qWaitForWindowActive(&choice));
        const std::pair<QLineEdit*, QString> typed[] = {{choice.Broker, broker},
                                                        {choice.Line, line}};
        for (const auto& [field, text] : typed) {
            field->setFocus();
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_Delete);
            QTest::keyClicks(field, text);
        }
        QTest::keyClick(choice.Line, Qt::Key_Return);
        QCOMPARE(choice.Error->text(), error);
        QCOMPARE(choice.result() == QDialog::Accepted, error.isEmpty());
        if (!error.isEmpty()) return;
        QCOMPARE(choice.options().broker.text(), QStringLiteral("mqtt://line-pc:1884"));
        QCOMPARE(choice.options().line, QStringLiteral("L1"));
        const LineChoice next;
        QCOMPARE(next.Broker->text(), QStringLiteral("mqtt://line-pc:1884"));
        QCOMPARE(next.Line->text(), QStringLiteral("L1"));
    }

  private:
    QTemporaryDir m_config;
};

QTEST_MAIN(LineChoiceTest)
#include "line_choice_qtest.moc"
