// tarvellon-flash: the upgrader for scripts, test rigs and the bench. It runs the window's very
// operations on the widget-free core, so it needs no display; its outcome is an exit code.

#include <signal.h>

#include <QCoreApplication>
#include <csignal>

#include "cli/CommandLine.h"
#include "cli/Program.h"
#include "link/Interrupt.h"
#include "support/NativePath.h"
#include "support/ProgramOutput.h"

namespace {

// The running exchange sees the request at its next poll and ends the upgrade on its usual path,
// closing the device and putting the bridge back.
void requestInterrupt(int) {
    Interrupt::Request();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(CommandLine::ProgramName);
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVELLON_VERSION));
    // A closed terminal or a dropped ssh session (SIGHUP) ends an upgrade as Ctrl-C does.
    sigset_t interrupts;
    sigemptyset(&interrupts);
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(number, requestInterrupt);
        sigaddset(&interrupts, number);
    }
    // The station starts each upgrade with these blocked, so that none is lost before here.
    ::sigprocmask(SIG_UNBLOCK, &interrupts, nullptr);
    // A reader that goes away (`| head`) must not end the program with the device still open, nor
    // a file size limit met by a record.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    // Not QCoreApplication::arguments(), which loses the bytes of a path that are not UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << NativePath::Decoded(argv[i]);
    const ExitCode exit = RunProgram(arguments);
    // Output that did not reach its file is a failure of its own, whatever the command did.
    if (const QString failure = ProgramOutput::WriteFailure(); !failure.isEmpty()) {
        CommandLine::Err(failure);
        return static_cast<int>(ExitCode::WriteError);
    }
    return static_cast<int>(exit);
}
