// Runs a device operation ("upgrade" or "blink") with the simulated device TARV-A in the real
// window and closes the window from inside its wait, 300 ms on, as an operator would. Prints every
// message box and "resumed" if the operation ever returns, so the test that starts this program
// can tell that neither happened.

#include <QApplication>
#include <QTimer>
#include <cstdlib>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "link/FTDI.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    MessageBoxes::SetHandler([](const QString&, MessageIcon) { std::_Exit(4); });
    FTDI::LoadDriverLibrary();
    Form1 window;
    window.show();
    window.DeviceSerial = "TARV-A";
    window.FirmwarePath = SAMPLE_IMAGES_DIR "/accepted.frw";
    QTimer::singleShot(300, &window, &QWidget::close);
    if (argc > 1 && argv[1] == QLatin1String("upgrade")) {
        window.Upgrade_Click();
    } else {
        window.DevicesList->addItem(window.DeviceSerial);
        window.DevicesList->setCurrentRow(0);
        window.DevicesList_Click();
    }
    return 3;
}
