// The upgrade takes the chosen entry, not the highlighted one: a gesture that moves the highlight
// without a report would flash another image than the one the operator sees selected.

#include <QSignalSpy>
#include <QtTest>

#include "app/ChoiceList.h"

class ChoiceListTest : public QObject {
    Q_OBJECT
  private slots:
    void highlightAndReportsAgree_data();
    void highlightAndReportsAgree();
};

void ChoiceListTest::highlightAndReportsAgree_data() {
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<int>("reports");
    QTest::addColumn<int>("chosenRow");
    // clang-format off
    QTest::newRow("click") << "click 1" << 1 << 1;
    QTest::newRow("same entry twice") << "click 1,click 1" << 2 << 1;
    QTest::newRow("double-click") << "double 1" << 1 << 1;
    QTest::newRow("drag onto another entry") << "click 0,drag 1 2" << 2 << 2;
    QTest::newRow("control-click keeps the choice") << "click 1,ctrl 1" << 2 << 1;
    QTest::newRow("arrow key") << "click 0,down" << 2 << 1;
    QTest::newRow("filling the list") << "" << 0 << -1;
    // clang-format on
}

void ChoiceListTest::highlightAndReportsAgree() {
    QFETCH(QString, gesture);
    QFETCH(int, reports);
    QFETCH(int, chosenRow);
    ChoiceList list;
    list.resize(200, 120);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy chosen(&list, &ChoiceList::entryChosen);
    list.addItems({"a.frw", "b.frw", "c.frw"});
    QWidget* area = list.viewport();
    const auto at = [&](const QString& row) {
        return list.visualItemRect(list.item(row.toInt())).center();
    };
    for (const QString& step : gesture.split(',', Qt::SkipEmptyParts)) {
        const QStringList words = step.split(' ');
        if (words[0] == "click") QTest::mouseClick(area, Qt::LeftButton, {}, at(words[1]));
        if (words[0] == "ctrl")
            QTest::mouseClick(area, Qt::LeftButton, Qt::ControlModifier, at(words[1]));
        // As the window system delivers it: press, release, press and double-click, release.
        if (words[0] == "double")
            QTest::mouseDClick(list.windowHandle(), Qt::LeftButton, {},
                               area->mapTo(&list, at(words[1])));
        if (words[0] == "down") QTest::keyClick(&list, Qt::Key_Down);
        if (words[0] == "drag") {
            QTest::mousePress(area, Qt::LeftButton, {}, at(words[1]));
            QTest::mouseMove(area, at(words[2]));
            QTest::mouseRelease(area, Qt::LeftButton, {}, at(words[2]));
        }
    }
    QCOMPARE(chosen.size(), reports);
    QCOMPARE(list.currentRow(), chosenRow);
    if (chosenRow >= 0) QVERIFY(list.item(chosenRow)->isSelected());
}

QTEST_MAIN(ChoiceListTest)
#include "choice_list_qtest.moc"
