#include <QApplication>

#include "app/Form1.h"
#include "app/ProgramCommandLine.h"
#include "app/WindowCommandLine.h"
#include "support/DataBase.h"

int main(int argc, char* argv[]) {
    // Before the application object, which needs a display.
    const std::variant<WindowOptions, int> options =
        WindowCommandLine::Parse(ProgramCommandLine::Arguments(argc, argv));
    if (const int* exit = std::get_if<int>(&options)) {
        return *exit;
    }
    QApplication application(argc, argv);
    DataBase::ChooseFileLocation();
    Form1 window(std::get<WindowOptions>(options));
    window.Form_Load();
    window.show();
    return application.exec();
}
