#include <QApplication>
#include <QKeySequence>
#include <QShortcut>

#include "app/ProgramCommandLine.h"
#include "app/line/LineCommandLine.h"
#include "app/line/LineWindow.h"

int main(int argc, char* argv[]) {
    // Before the application object, which needs a display.
    const std::variant<LinkOptions, int> parsed =
        LineCommandLine::Parse(ProgramCommandLine::Arguments(argc, argv));
    if (const int* exit = std::get_if<int>(&parsed)) return *exit;
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(LineCommandLine::ProgramName);
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVELLON_VERSION));
    LineModel model(std::get<LinkOptions>(parsed));
    LineWindow window(model);
    QShortcut quit(QKeySequence::Quit, &window);
    QObject::connect(&quit, &QShortcut::activated, &window, &QWidget::close);
    window.showMaximized();
    model.open();
    const int exit = application.exec();
    model.close();
    return exit;
}
