#include "support/Terminal.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#else
#include <io.h>
#endif

namespace {

Terminal terminalOn(int fd) {
    Terminal terminal;
#ifdef Q_OS_UNIX
    terminal.isTerminal = ::isatty(fd) == 1;
    winsize size{};
    if (terminal.isTerminal && ::ioctl(fd, TIOCGWINSZ, &size) == 0) {
        terminal.columns = size.ws_col;
        terminal.rows = size.ws_row;
    }
#else
    terminal.isTerminal = ::_isatty(fd) != 0;
#endif
    terminal.colour = terminal.isTerminal && qEnvironmentVariableIsEmpty("NO_COLOR");
    return terminal;
}

}  // namespace

Terminal StdoutTerminal() {
    return terminalOn(1);
}

Terminal StderrTerminal() {
    return terminalOn(2);
}
