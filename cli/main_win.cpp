// tarvellon-flash on Windows: main.cpp's program, with the console set up the Windows way.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <QCoreApplication>
#include <cstdio>

#include "cli/CommandLine.h"
#include "cli/Program.h"
#include "link/Interrupt.h"
#include "support/ProgramOutput.h"

namespace {

// Ctrl-C, Ctrl-Break and a closed console window end an upgrade on its usual path, closing the
// device, as the signals do on Linux. The system runs this on a thread of its own.
BOOL WINAPI requestInterrupt(DWORD) {
    Interrupt::Request();
    return TRUE;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(CommandLine::ProgramName);
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVELLON_VERSION));
    SetConsoleCtrlHandler(requestInterrupt, TRUE);
    // The program writes UTF-8, line feeds alone, the same bytes as on Linux.
    SetConsoleOutputCP(CP_UTF8);
    // Colour and the status line redrawn in place, where the console reads escape sequences.
    for (const DWORD stream : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        const HANDLE console = GetStdHandle(stream);
        DWORD mode = 0;
        if (GetConsoleMode(console, &mode)) {
            SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        }
    }
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    // The system's own wide command line: every file name there is, whatever the code page.
    const ExitCode exit = RunProgram(QCoreApplication::arguments());
    // Output that did not reach its file is a failure of its own, whatever the command did.
    if (const QString failure = ProgramOutput::WriteFailure(); !failure.isEmpty()) {
        CommandLine::Err(failure);
        return static_cast<int>(ExitCode::WriteError);
    }
    return static_cast<int>(exit);
}
