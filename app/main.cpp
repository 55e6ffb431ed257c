#include <QApplication>

#include "app/Form1.h"
#include "support/DataBase.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    DataBase::ChooseFileLocation();
    Form1 window;
    window.Form_Load();
    window.show();
    return application.exec();
}
