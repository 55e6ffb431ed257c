#pragma once

// What the operator at the fixture sees of a running station. On a terminal: one line per slot
// and a summary, redrawn in place. Elsewhere (a log file, a pipe): one plain line per change and
// nothing redrawn. With --json: the closing lines alone on stdout, for a program.

#include "cli/ExitCode.h"

class StationEngine;
class StationLink;
class StopSignals;

// Runs the started station until it finishes, showing it on stdout, and how its `link` to the
// line stands when it has one. Ctrl-C, SIGTERM and SIGHUP stop it (the running upgrades finish);
// a second one aborts it.
ExitCode RunStation(StationEngine& engine, StopSignals& stopSignals, bool json,
                    const StationLink* link);
