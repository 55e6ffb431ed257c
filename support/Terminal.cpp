#include "support/Terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <QtGlobal>

namespace {

Terminal terminalOn(int fd) {
    Terminal terminal;
    terminal.isTerminal = ::isatty(fd) == 1;
    winsize size{};
    if (terminal.isTerminal && ::ioctl(fd, TIOCGWINSZ, &size) == 0) {
        terminal.columns = size.ws_col;
        terminal.rows = size.ws_row;
    }
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
