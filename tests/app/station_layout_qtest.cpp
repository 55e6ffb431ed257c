// How the station window lays out its tiles for a reader across the room: a tile never moves once
// shown, a failed unit's detail is cut where it must be and never through its letters, and the
// state word gets the room first at any count of slots and screen size.

#include <QTextDocumentFragment>
#include <QtTest>
#include <set>

#include "app/station/StationWindow.h"
#include "operations/FailureHint.h"
#include "tests/app/StationWindowTesting.h"
#include "tests/common/SimBridge.h"

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
        QTest::newRow("none named, 1024x768") << 0 << QSize(720, 560);
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

    // What was seen on a failed unit never runs through the letters at the tile's edge: the lines
    // that fit, the last cut with "…", and the whole text on hover and to a screen reader.
    void failDetailIsCutWithAnEllipsis_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("detail");
        const QString device = QStringLiteral(
            "the device answered \"id Tarvellon\\x00\\x00\\xff boot 2.1 rev C "
            "(factory test build, do not ship; serial port console enabled at 115200 baud, "
            "watchdog off, self test skipped)\" to \"id\"");
        QTest::newRow("8 slots at 1080p") << QSize(470, 290) << device;
        QTest::newRow("32 slots at 1366x768") << QSize(200, 94) << Keys;
    }
    void failDetailIsCutWithAnEllipsis() {
        QFETCH(QSize, size);
        QFETCH(QString, detail);
        SlotTile tile;
        tile.resize(size);
        tile.show();
        tile.showSlot(failedUnit(detail), false);
        QCoreApplication::processEvents();
        const auto* shown = tile.findChild<QLabel*>("Detail");
        const QRect drawn = shown->text().isEmpty()
                                ? QRect()
                                : QFontMetrics(shown->font())
                                      .boundingRect(QRect(0, 0, shown->width(), 100000),
                                                    Qt::TextWordWrap, shown->text());
        QVERIFY2(drawn.height() <= shown->height(),
                 qPrintable(QString("%1 of %2").arg(drawn.height()).arg(shown->height())));
        QVERIFY(tile.contentsRect().contains(shown->geometry().intersected(tile.rect())));
        // Nothing at all where not one line fits: the state word has the room first.
        if (shown->height() >= shown->fontMetrics().height()) {
            QVERIFY(QString(shown->text()).replace('\n', ' ') == detail ||
                    shown->text().endsWith(QChar(0x2026)));
        } else {
            QCOMPARE(shown->text(), "");
        }
        QVERIFY(QTextDocumentFragment::fromHtml(tile.toolTip()).toPlainText().contains(detail));
        QVERIFY(tile.accessibleDescription().contains(detail));
    }

    // The state word is what an operator reads from two metres away: it gets the room first, and
    // the window, records shown, fits each screen down to 1024x768. Seen: the height of its
    // capital letters at the last named slot, and the window's smallest size.
    void theStateWordHasTheRoom_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("capitals");
        QTest::newRow("32 slots at 1080p") << QSize(1920, 1040) << 32 << 29;
        QTest::newRow("32 slots at 1366x768") << QSize(1366, 728) << 32 << 19;
        QTest::newRow("8 slots at 1024x768") << QSize(1024, 728) << 8 << 32;
    }
    void theStateWordHasTheRoom() {
        QFETCH(QSize, screen);
        QFETCH(int, count);
        QFETCH(int, capitals);
        SimBridge sim("");
        QVERIFY(sim.ready());
        QTemporaryDir folder;
        StationWindowOptions options = optionsFor(folder);
        for (int slot = 1; slot <= count; ++slot)
            options.station.slotNames.insert(QString("0x%1").arg(0x1100 + slot, 0, 16),
                                             QString("Bay %1").arg(slot));
        StationWindow window(options);
        window.resize(screen);
        window.show();
        QVERIFY(window.startWith(Images + "accepted.frw"));
        window.Attempts->add(QJsonObject{{"ended_at", "2026-03-02T09:14:07Z"},
                                         {"slot", "Bay 32"},
                                         {"serial", "TV2408123456789A"},
                                         {"outcome", "communication_error"},
                                         {"duration_ms", 12345}});
        QTRY_COMPARE(window.Slots->slotCount(), count);
        QCOMPARE(window.minimumSizeHint().boundedTo(QSize(1024, 728)), window.minimumSizeHint());
        QCOMPARE(window.size(), screen);
        QCoreApplication::processEvents();
        const auto* word = window.Slots->tile(count - 1)->findChild<QLabel*>("StateWord");
        const int height = QFontMetrics(word->font()).capHeight();
        QVERIFY2(height >= capitals, qPrintable(QString::number(height)));
    }

  private:
    OwnConfigFolder m_config;
};

QTEST_MAIN(StationLayoutTest)
#include "station_layout_qtest.moc"
