#pragma once

// The texts of the station on stdout, the same on a terminal and in a log: a header that names
// the image, a line a slot, the totals, and the notices that must stay in view.

#include <QStringList>

#include "station/StationValues.h"

namespace StationLines {

// What draws the eye: the terminal gives each its colour, a log nothing.
enum class Tone { Plain, Running, Pass, Fail, Alert };

// A slot's line in three parts, so that the state word alone takes the tone.
struct SlotLine {
    QString lead;  // the slot's name and the unit's serial, padded to line up
    QString state;
    QString rest;  // how far, or what to do and what was seen
    Tone tone = Tone::Plain;
    QString text() const { return lead + state + rest; }
};

// Columns `text` takes on a terminal: two for a wide character, none for a combining mark.
int Columns(const QString& text);
// `nameWidth`: the widest slot name in columns, so that the serials line up.
SlotLine Slot(const SlotView& slot, int nameWidth, bool stopping);
// The terminal's word for the state.
QString StateWord(SlotState state);

// The image on its first line; the driver and the record file on the second.
QStringList Header(const ImageSummary& image);
QString Summary(const Totals& totals);
QString WaitingForUnits();
QString LineStopped(const QString& reason);
// The link to the line's broker is back, and the records that waited have all gone.
QString LinkUp();
// After the first interrupt, while upgrades still run.
QString StillRunning(int running);

}  // namespace StationLines
