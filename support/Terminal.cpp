#include "support/Terminal.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#else
#include <io.h>
#endif

Terminal StdoutTerminal() {
    Terminal terminal;
#ifdef Q_OS_UNIX
    terminal.isTerminal = ::isatty(STDOUT_FILENO) == 1;
    winsize size{};
    if (terminal.isTerminal && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) {
        terminal.columns = size.ws_col;
        terminal.rows = size.ws_row;
    }
#else
    terminal.isTerminal = ::_isatty(1) != 0;
#endif
    terminal.colour = terminal.isTerminal && qEnvironmentVariableIsEmpty("NO_COLOR");
    return terminal;
}
