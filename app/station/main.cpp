#include <QApplication>
#include <QDir>
#include <QTimer>

#include "app/ProgramCommandLine.h"
#include "app/station/StationCommandLine.h"
#include "app/station/StationWindow.h"
#include "station/StopSignals.h"

int main(int argc, char* argv[]) {
    // Before the application object, which needs a display.
    std::variant<StationWindowOptions, int> parsed =
        StationCommandLine::Parse(ProgramCommandLine::Arguments(argc, argv));
    if (const int* exit = std::get_if<int>(&parsed)) {
        return *exit;
    }
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(StationCommandLine::ProgramName);
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVELLON_VERSION));
    StationWindowOptions& options = std::get<StationWindowOptions>(parsed);
    // The command line flashes each unit; it is installed, and built, beside this program.
    options.station.program =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tarvellon-flash"));
    // Before the window's engine and gone after it, so that no signal from start to end is missed.
    StopSignals stopSignals;
    StationWindow window(options);
    QObject::connect(&stopSignals, &StopSignals::arrived, &window, &StationWindow::endBySignal);
    window.showMaximized();
    // In the event loop, which a signal ends, also while the file dialog asks.
    QTimer::singleShot(0, &window, [&window, image = options.image] {
        image.isEmpty() ? window.chooseImage() : void(window.startWith(image));
    });
    return application.exec();
}
