// On a bench machine without the D2XX library the window must still start, browse files and say
// why no device can be reached: Re-scan looks for the library again and finds none, and picking
// the placeholder entry must not call into a library that is not there.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/Form1.h"
#include "link/FTDI.h"
#include "support/DataBase.h"

TEST(NoLibrary, WindowAndLinkTakeTheFailurePaths) {
    int argc = 1;
    char name[] = "no_library_nolib_test", *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QTemporaryDir folder;
    DataBase::SetFileName(folder.filePath(QStringLiteral("database.ini")));
    Form1 window;
    window.Form_Load();
    ASSERT_EQ(window.DevicesList->count(), 1);
    EXPECT_EQ(window.DevicesList->item(0)->text(), "Driver not installed");
    EXPECT_EQ(window.Status->text(), "Please select a file and device.");
    EXPECT_EQ(window.DirBox->path(), QCoreApplication::applicationDirPath());
    window.DeviceSerial = QStringLiteral("TARV-OLD");
    window.DevicesRescan->click();
    ASSERT_EQ(window.DevicesList->count(), 1);
    EXPECT_EQ(window.DevicesList->item(0)->text(), "Driver not installed");
    window.DevicesList->setCurrentRow(0);
    window.DevicesList_Click();
    EXPECT_EQ(window.CurrentDeviceLabel->text(), "Driver not installed");
    EXPECT_EQ(window.DeviceSerial, QString());
    EXPECT_EQ(window.Logbox->toPlainText(),
              "New device selected : Driver not installed\n"
              "Can't talk to device, check connection.\n");

    // A library that loads but lacks the D2XX functions is no D2XX library either.
    EXPECT_FALSE(FTDI::LoadDriverLibrary(QStringLiteral("Qt6Core")));
    EXPECT_EQ(FTDI::InstalledApi(), nullptr);
}
