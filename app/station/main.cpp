#include <QApplication>
#include <QDir>

#include "app/ProgramCommandLine.h"
#include "app/station/StationCommandLine.h"
#include "app/station/StationWindow.h"

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
    StationWindow window(options);
    window.showMaximized();
    if (options.image.isEmpty()) {
        window.chooseImage();
    } else {
        window.startWith(options.image);
    }
    return application.exec();
}
