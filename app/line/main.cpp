#include <QApplication>
#include <QKeySequence>
#include <QShortcut>

#include "app/ProgramCommandLine.h"
#include "app/line/LineChoice.h"
#include "app/line/LineCommandLine.h"
#include "app/line/LineWindow.h"

int main(int argc, char* argv[]) {
    // Before the application object, which needs a display. Without arguments, as from the
    // menu, the window asks.
    const QStringList arguments = ProgramCommandLine::Arguments(argc, argv);
    const bool ask = arguments.size() == 1;
    std::variant<LinkOptions, int> parsed = ask ? LinkOptions() : LineCommandLine::Parse(arguments);
    if (const int* exit = std::get_if<int>(&parsed)) return *exit;
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(LineCommandLine::ProgramName);
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVELLON_VERSION));
    if (ask) {
        LineChoice choice;
        if (choice.exec() != QDialog::Accepted) return 0;
        parsed = choice.options();
    }
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
