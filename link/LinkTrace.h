#pragma once

// What crosses the link as it happens, for a front end that shows the exchange (the command
// line's -v) or a reply that is slow in coming. Nothing is traced until a front end sets a
// function; the window never does, so its link runs exactly as without one.

#include <QByteArray>
#include <functional>

#include "link/FTDI.h"

namespace LinkTrace {

struct Event {
    enum class Kind {
        Written,   // bytes: all of one write
        LineRead,  // bytes: the line without its line feed, or what arrived of it
        ByteRead,  // bytes: the byte, when one came
        Waiting,   // a reply is still awaited after `waitedSeconds` whole seconds
    };
    Kind kind = Kind::Written;
    QByteArray bytes;
    FTDI::ReadOutcome outcome = FTDI::ReadOutcome::Ok;
    int waitedSeconds = 0;
};

// An empty function turns the trace off.
void Set(std::function<void(const Event&)> trace);
bool On();
void Emit(const Event& event);

}  // namespace LinkTrace
