// Runs a device operation in the real window and closes the window from inside its wait, as an
// operator would. Prints every message box and "resumed" if the operation ever returns, so the
// test that starts this program can tell that neither happened.

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "link/FTDI.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 5) return 2;
    const QString operation = QString::fromLocal8Bit(argv[1]);
    MessageBoxes::SetHandler([](const QString& text, MessageIcon) {
        std::printf("box: %s\n", qPrintable(text));
        std::fflush(stdout);
    });
    FTDI::LoadDriverLibrary();

    Form1 window;
    window.show();
    window.DeviceSerial = QString::fromLocal8Bit(argv[2]);
    window.FirmwarePath = QString::fromLocal8Bit(argv[3]);
    QTimer::singleShot(QString::fromLocal8Bit(argv[4]).toInt(), &window, &QWidget::close);

    if (operation == QLatin1String("upgrade")) {
        window.Upgrade_Click();
    } else {
        window.DevicesList->addItem(window.DeviceSerial);
        window.DevicesList->setCurrentRow(0);
        window.DevicesList_Click();
    }
    std::printf("resumed\n");
    return 3;
}
