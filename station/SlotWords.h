#pragma once

// A slot's state in the words of each face of the station, from one table with a column per face,
// so that the terminal and the window never disagree on what a state is called.

#include <QString>

#include "station/StationValues.h"

struct SlotWords {
    QString terminal;      // the state word on the slot's line
    QString terminalRest;  // what follows it there; "" where the slot itself says it
    QString tile;          // the word in large letters on the slot's tile
    QString tileNote;      // the note under it; "" where the slot itself says it
};

// `stopping`: the station starts no new unit, which the idle slots say.
SlotWords WordsFor(SlotState state, bool stopping);

// How far a flashing unit is: "40 %, 3 s left".
QString HowFar(const SlotView& slot);
// A running unit's upgrade waiting on a silent reply, counting down to when it gives up:
// "7 s left to wait for the reply to \"id\""; "" while it waits on none.
QString Awaiting(const SlotView& slot);
