// On a bench machine without the driver the window must still behave: Re-scan looks for the
// library again and finds none, and picking the placeholder entry must not call into a library
// that is not there.

#include <gtest/gtest.h>

#include <QApplication>

#include "app/Form1.h"

TEST(DevicesWithoutDriver, RescanAndSelectionTakeTheFailurePaths) {
    int argc = 1;
    char name[] = "devices_nolib_test", *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    Form1 window;
    window.DeviceSerial = QStringLiteral("TARV-OLD");

    window.DevicesRescan->click();
    ASSERT_EQ(window.DevicesList->count(), 1);
    EXPECT_EQ(window.DevicesList->item(0)->text(), "Driver not installed");
    window.DevicesList->setCurrentRow(0);
    window.DevicesList_Click();
    EXPECT_EQ(window.CurrentDeviceLabel->text(), "Driver not installed");
    EXPECT_EQ(window.DeviceSerial, QString());
    EXPECT_EQ(window.Status->text(), "Please select a file and device.");
    EXPECT_EQ(window.Logbox->toPlainText(),
              "New device selected : Driver not installed\n"
              "Can't talk to device, check connection.\n");
}
