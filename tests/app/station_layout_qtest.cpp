// How the station window lays out its tiles for a reader across the room: a tile never moves once
// shown, and the state word gets the room first at any count of slots.

#include <QtTest>
#include <set>

#include "app/station/StationWindow.h"
#include "operations/FailureHint.h"
#include "tests/app/StationWindowTesting.h"

using namespace StationWindowTesting;

namespace {

const QString Keys = QStringLiteral(
    "the device reports key µTARVEL7, the image carries µTARVEL0 and is meant for other units");

SlotView failedUnit(const QString& detail) {
    SlotView failed;
    failed.state = SlotState::Fail;
    failed.number = 7;
    failed.name = "7";
    failed.serial = "TV240899";
    failed.hint = FailureHint({"firmkey", FailureCause::Refused, "serial", "µTARVEL0", "µTARVEL7"});
    failed.detail = detail;
    return failed;
}

}  // namespace

class StationLayoutTest : public QObject {
    Q_OBJECT
  private slots:
    // Ports are first seen one by one as units are plugged in: a tile shown stays in its column
    // and row whatever comes after it, with the slots named beforehand or without (-1: each slot
    // named as it comes, a grid shaped afresh each time). The tiles fill the grid without
    // overlapping or leaving it, each tile's state word on one line, never squeezed by a FAIL's
    // advice and detail.
    void tilesStayAndFit_data() {
        QTest::addColumn<int>("named");
        QTest::addColumn<QSize>("room");
        QTest::newRow("none named, 1080p") << 0 << QSize(1420, 880);
        QTest::newRow("32 named, 1366x768") << 32 << QSize(1340, 560);
        QTest::newRow("each named, 1080p") << -1 << QSize(1400, 900);
    }
    void tilesStayAndFit() {
        QFETCH(int, named);
        QFETCH(QSize, room);
        SlotGrid grid;
        grid.setNamedCount(named);
        grid.resize(room);
        grid.show();
        SlotView unplugged;
        unplugged.state = SlotState::Unplugged;
        const SlotView failed = failedUnit(Keys);
        // Each tile's column by its left edge, its row by how many rows stand above it.
        const auto cells = [&grid] {
            std::set<int> tops;
            for (int i = 0; i < grid.slotCount(); ++i) tops.insert(grid.tile(i)->y());
            QList<QPoint> cells;
            for (int i = 0; i < grid.slotCount(); ++i) {
                const auto row = std::distance(tops.begin(), tops.find(grid.tile(i)->y()));
                cells << QPoint(grid.tile(i)->x(), int(row));
            }
            return cells;
        };
        QList<QPoint> before;
        for (int count = 1; count <= 32; ++count) {
            if (named < 0) grid.setNamedCount(count);
            grid.setSlotCount(count);
            const QList<QPoint> now = cells();
            if (named >= 0) QCOMPARE(now.mid(0, before.size()), before);
            before = now;
            QRegion covered;
            for (int i = 0; i < count; ++i) {
                SlotTile* tile = grid.tile(i);
                tile->showSlot(i % 2 ? failed : unplugged, false);
                QVERIFY(grid.rect().contains(tile->geometry()));
                QVERIFY(!covered.intersects(tile->geometry()));
                covered += tile->geometry();
            }
            QCoreApplication::processEvents();
            for (int i = 0; i < std::min(count, 2); ++i) {
                const auto* word = grid.tile(i)->findChild<QLabel*>("StateWord");
                const QFontMetrics metrics(word->font());
                QVERIFY(metrics.horizontalAdvance("UNPLUGGED") <= word->width());
                const QString where = QStringLiteral("%1 slots, %2").arg(count).arg(word->text());
                QVERIFY2(metrics.height() <= word->height(), qPrintable(where));
            }
        }
    }

  private:
    OwnConfigFolder m_config;
};

QTEST_MAIN(StationLayoutTest)
#include "station_layout_qtest.moc"
