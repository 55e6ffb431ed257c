#include "station/SlotWords.h"

#include <algorithm>

#include "station/StationTexts.h"

namespace {

struct Row {
    SlotState state;
    bool stopping;  // the row for a stopping station, where it says otherwise
    const char* terminal;
    const char* terminalRest;
    const char* tile;
    const char* tileNote;
};

// clang-format off
const Row kRows[] = {
    // state             stopping  terminal      terminal rest                     tile          tile note
    {SlotState::Empty,     false, "waiting",    "",                                  "WAITING",    "plug a unit in"},
    {SlotState::Empty,     true,  "waiting",    "",                                  "STOPPED",    "no new unit is started"},
    {SlotState::LeftAlone, false, "left alone", ": attached at the start",           "LEFT ALONE", "attached before the start: plug it in again to flash it"},
    {SlotState::Queued,    false, "queued",     "",                                  "WAITING",    "waiting for its turn"},
    {SlotState::Queued,    true,  "queued",     ", not started: the station is stopping", "STOPPED", "not flashed: no new unit is started"},
    {SlotState::Starting,  false, "handshake",  "",                                  "FLASHING",   "starting"},
    {SlotState::Flashing,  false, "flashing",   "",                                  "FLASHING",   ""},
    {SlotState::Pass,      false, "PASS",       "",                                  "PASS",       "done: take it off"},
    {SlotState::Fail,      false, "FAIL",       "",                                  "FAIL",       ""},
    {SlotState::Unplugged, false, "UNPLUGGED",  "",                                  "UNPLUGGED",  ""},
};
// clang-format on

}  // namespace

SlotWords WordsFor(SlotState state, bool stopping) {
    const auto is = [state](bool whenStopping) {
        return [state, whenStopping](const Row& row) {
            return row.state == state && row.stopping == whenStopping;
        };
    };
    const Row* row = std::find_if(std::begin(kRows), std::end(kRows), is(stopping));
    if (row == std::end(kRows)) row = std::find_if(std::begin(kRows), std::end(kRows), is(false));
    return {QString::fromUtf8(row->terminal), QString::fromUtf8(row->terminalRest),
            QString::fromUtf8(row->tile), QString::fromUtf8(row->tileNote)};
}

QString Awaiting(const SlotView& slot) {
    if (!UpgradeRuns(slot.state) || slot.awaited.isEmpty()) return {};
    return QStringLiteral("%1 left to wait for %2")
        .arg(StationTexts::Duration(slot.waitSecondsLeft), slot.awaited);
}

QString HowFar(const SlotView& slot) {
    return QStringLiteral("%1 %, %2 left")
        .arg(slot.percent)
        .arg(StationTexts::Duration(slot.secondsLeft));
}
