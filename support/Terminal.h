#pragma once

// What stdout or stderr is, looked at one way by every view that draws on it: a terminal takes a line
// redrawn in place and, unless NO_COLOR is set, colour; anything else (a log file, a pipe) plain
// lines only. Its size cuts each line so that none wraps.

struct Terminal {
    bool isTerminal = false;
    bool colour = false;  // a terminal, and NO_COLOR is not set
    int columns = 0;      // 0 where the terminal does not say
    int rows = 0;
};

// Looked at afresh at each call: a terminal may change size at any time.
Terminal StdoutTerminal();
Terminal StderrTerminal();
