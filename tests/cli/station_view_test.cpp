// The station's terminal view is read from across the room and by the scripts that tail its log:
// a slot line that says the wrong state, a serial that steers the terminal, a frame that drops a
// failed unit from view or grows past the terminal's rows, or a line cut at the wrong column (it
// wraps and the redraw leaves stale rows) misleads the operator. Each row builds the lines from
// plain values, as the engine reports them.

#include <gtest/gtest.h>

#include <clocale>

#include "cli/StationScreen.h"

namespace {

using StationLines::SlotLine;
using StationLines::Tone;

SlotView slotIn(SlotState state, int number = 1, const QString& serial = "UNIT0001") {
    SlotView slot;
    slot.number = number;
    slot.name = QString::number(number);
    slot.serial = state == SlotState::Empty ? QString() : serial;
    slot.state = state;
    return slot;
}

TEST(StationSlotLine, SaysTheStateAndWhatFollows) {
    // Names line up in columns as a terminal counts them, in a UTF-8 locale.
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    using S = SlotState;
    struct Row {
        const char* name;
        SlotView slot;
        bool stopping;
        QString text;
        Tone tone;
    };
    SlotView flashing = slotIn(S::Flashing);
    flashing.percent = 40;
    flashing.secondsLeft = 65;
    SlotView hinted = slotIn(S::Fail);
    hinted.hint = "The device refused the image's key: flash it with an image for its key.";
    hinted.detail = "the device reports key µTARVEL7";
    SlotView handshake = slotIn(S::Starting);
    handshake.awaited = R"(the reply to "firmkey")";
    handshake.waitSecondsLeft = 7;
    const QString lead = "1    UNIT0001          ";
    // clang-format off
    const Row rows[] = {
        {"empty", slotIn(S::Empty), false, "1" + QString(22, ' ') + "waiting", Tone::Plain},
        {"queued while stopping", slotIn(S::Queued), true, lead + "queued, not started: the station is stopping", Tone::Plain},
        {"flashing", flashing, false, lead + "flashing 40 %, 1 min 5 s left", Tone::Running},
        {"a silent reply to a command", handshake, false, lead + R"(handshake  7 s left to wait for the reply to "firmkey")", Tone::Running},
        {"passed, while stopping", slotIn(S::Pass), true, lead + "PASS", Tone::Pass},
        {"failed with a hint", hinted, false, lead + "FAIL  flash it with an image for its key (the device reports key µTARVEL7)", Tone::Fail},
        {"a serial with an escape code", slotIn(S::Pass, 1, "UN\x1bIT1"), false, "1    UN\\x1bIT1         PASS", Tone::Pass},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const SlotLine line = StationLines::Slot(row.slot, 3, row.stopping);
        EXPECT_EQ(line.text(), row.text);
        EXPECT_EQ(line.tone, row.tone);
    }
}

const QString Header = "accepted.frw  key µTARVEL0  SHA-256 0123456789abcdef  3 records";
const QString DriverLine = "driver serial  records to /srv/line/records.jsonl";
const QString Summary = "passed 0, failed 0, in progress 0, 0 in the last hour, 0:00:00";

StationScreen::Snapshot snapshot(const QList<SlotState>& states) {
    StationScreen::Snapshot snapshot;
    snapshot.image.fileName = "accepted.frw";
    snapshot.image.key = "µTARVEL0";
    snapshot.image.sha256 = "0123456789abcdef" + QString(48, 'f');
    snapshot.image.records = 3;
    snapshot.image.driver = "serial";
    snapshot.image.recordFile = "/srv/line/records.jsonl";
    for (int index = 0; index < states.size(); ++index) {
        snapshot.slotViews << slotIn(states[index], index + 1, QString("UNIT%1").arg(index + 1));
    }
    return snapshot;
}

// Each line as "STATE-WORD" for a slot's, else its whole text.
QStringList said(const QList<SlotLine>& lines) {
    QStringList texts;
    for (const SlotLine& line : lines)
        texts << (line.lead.isEmpty() ? line.state
                                      : line.lead.left(2).trimmed() + " " + line.state);
    return texts;
}

TEST(StationFrame, KeepsWhatNeedsAnEyeInView) {
    using S = SlotState;
    struct Row {
        const char* name;
        StationScreen::Snapshot snapshot;
        int rows;
        QStringList lines;
    };
    StationScreen::Snapshot stopped = snapshot({S::Fail});
    stopped.stopReason = "disk full";
    StationScreen::Snapshot interrupted = snapshot({S::Flashing, S::Queued});
    interrupted.interrupted = true;
    interrupted.totals.running = 1;
    const QString running = "passed 0, failed 0, in progress 1, 0 in the last hour, 0:00:00";
    // clang-format off
    const Row rows[] = {
        {"no unit yet", snapshot({S::Empty}), 24, {Header, DriverLine, "1 waiting", "waiting for units", Summary}},
        {"more slots than rows: running and failed first, the rest counted", snapshot({S::Pass, S::Pass, S::Fail, S::Queued, S::Flashing, S::Pass, S::Queued, S::Starting}), 9,
         {Header, DriverLine, "1 PASS", "3 FAIL", "5 flashing", "8 handshake", "and 4 more: 2 queued, 2 PASS", Summary}},
        {"too few rows: the header goes first, the stopped line stays", stopped, 3, {Summary, "LINE STOPPED, no new unit is started: disk full"}},
        {"interrupted while a unit runs", interrupted, 24, {Header, DriverLine, "1 flashing", "2 queued", running, "stopping: 1 upgrade still running; Ctrl-C again interrupts it"}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QList<SlotLine> lines = StationScreen::Frame(row.snapshot, row.rows);
        EXPECT_EQ(said(lines), row.lines);
        EXPECT_LT(lines.size(), row.rows);
    }
}

TEST(StationFrame, CutsEachLineShortOfTheWidth) {
    // Columns are counted as a terminal counts them, in a UTF-8 locale.
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    struct Row {
        const char* name;
        SlotLine line;
        int columns;
        bool colour;
        QString shown;
    };
    const SlotLine failed{"1  U  ", "FAIL", "  unplug it", Tone::Fail};
    // clang-format off
    const Row rows[] = {
        {"whole, in colour", failed, 80, true, "1  U  \x1b[1;31mFAIL\x1b[0m  unplug it"},
        {"whole to the last column", failed, 22, false, "1  U  FAIL  unplug it"},
        {"one column short", failed, 21, false, "1  U  FAIL  unplug …"},
        {"cut in the state word, its colour closed", failed, 10, true, "1  U  \x1b[1;31mFA\x1b[0m…"},
        {"a wide character that would overhang", {"", "a界界", "", Tone::Plain}, 5, false, "a界…"},
        {"no room even for the ellipsis", failed, 1, false, ""},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(StationScreen::Fitted(row.line, row.columns, row.colour), row.shown);
    }
}

}  // namespace
