// On a bench machine without the D2XX library the window must still start, browse files and say
// why no device can be reached: Re-scan looks for the library again and finds none, picking the
// placeholder entry must not call into a library that is not there, and every link operation gives
// its failure value at once instead of calling into nothing or waiting forever.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/Form1.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"
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
    ASSERT_EQ(FTDI::InstalledApi(), nullptr);
    EXPECT_EQ(FTDI::CountDevices(), 0);
    EXPECT_EQ(FTDI::DeviceSerialByIndex(0), QString());
    PortHandle = DeviceHandle::open(reinterpret_cast<FTDI::FT_HANDLE>(0x1234));
    EXPECT_EQ(FTDI::RxQueueLength(), 0u);
    EXPECT_EQ(FTDI::ReadByte(), 0);
    EXPECT_EQ(FTDI::ReadLine(), QString());
    EXPECT_EQ(FTDI::ReadByteWithin(60000).outcome, FTDI::ReadOutcome::DeviceError);
    EXPECT_EQ(FTDI::ReadLineWithin(60000).outcome, FTDI::ReadOutcome::DeviceError);
    SubCom::SendCommand(QStringLiteral("id\n"));
    SubCom::ClosePort();
    EXPECT_TRUE(PortHandle.isOpen());
}
