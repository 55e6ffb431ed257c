#include "support/Terminal.h"

#include <io.h>
#include <windows.h>

#include <QtGlobal>

namespace {

// A console draws colour and a line redrawn in place where it reads escape sequences, which
// the command line turns on at its start.
Terminal terminalOn(int fd, DWORD handleId) {
    Terminal terminal;
    terminal.isTerminal = ::_isatty(fd) != 0;
    const HANDLE console = GetStdHandle(handleId);
    DWORD mode = 0;
    const bool escapes = terminal.isTerminal && GetConsoleMode(console, &mode) &&
                         (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (terminal.isTerminal && GetConsoleScreenBufferInfo(console, &info)) {
        terminal.columns = info.srWindow.Right - info.srWindow.Left + 1;
        terminal.rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    }
    terminal.colour = escapes && qEnvironmentVariableIsEmpty("NO_COLOR");
    return terminal;
}

}  // namespace

Terminal StdoutTerminal() {
    return terminalOn(1, STD_OUTPUT_HANDLE);
}

Terminal StderrTerminal() {
    return terminalOn(2, STD_ERROR_HANDLE);
}
