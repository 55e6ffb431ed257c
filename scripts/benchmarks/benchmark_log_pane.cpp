// How long LogLine takes on a pane that has grown for hours. Prints figures; target: 10,000 lines
// in under a second, also after the pane already holds 100,000.

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "app/Form1.h"
#include "support/Logging.h"

namespace {

double secondsFor(int lines, int firstNumber) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < lines; ++i)
        Logging::LogLine(
            QStringLiteral("Firmware file selected : image-%1.frw").arg(firstNumber + i));
    return timer.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    Form1 window;
    window.show();
    QApplication::processEvents();

    const double fresh = secondsFor(10000, 0);
    std::printf("10,000 LogLine calls on an empty pane:        %.3f s (target < 1 s)\n", fresh);
    secondsFor(90000, 10000);
    const double grown = secondsFor(10000, 100000);
    std::printf("10,000 LogLine calls after 100,000 lines:     %.3f s (target < 1 s)\n", grown);
    return 0;
}
