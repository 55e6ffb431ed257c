// The command line and the station tell bridges apart by more than a serial number: the socket a
// bridge hangs on and the port it opens by. Without udev's database (a container, a minimal
// system) the kernel's driver must still find the bridges through sysfs, or nothing is listed.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "link/serial/FtdiPorts.h"
#include "operations/DeviceList.h"
#include "tests/common/SimBridge.h"
#include "tests/common/WriteFile.h"

namespace {

using DeviceList::Details;

// A sysfs tree as the kernel lays it out: class/tty/NAME/device links to the tty's folder below
// the USB interface's (bInterfaceNumber), below the USB device's (idVendor, serial, product).
TEST(DeviceDetails, KernelDriverReadsWhatQtLacksFromSysfs) {
    QTemporaryDir sysfs;
    const QString device = sysfs.filePath("devices/pci0000:00/usb1/1-1/1-1.4/");
    const QString interface = device + "1-1.4:1.0/";
    ASSERT_TRUE(QDir().mkpath(interface + "ttyUSB0") &&
                QDir().mkpath(sysfs.filePath("class/tty/ttyUSB0")) &&
                QFile::link(interface + "ttyUSB0", sysfs.filePath("class/tty/ttyUSB0/device")));
    for (const auto& [file, text] : {std::pair{interface + "bInterfaceNumber", "00"},
                                     {device + "idVendor", "0403"},
                                     {device + "serial", "TARV0001"},
                                     {device + "product", "FT232R USB UART"}})
        ASSERT_TRUE(WriteFile(file, QByteArray(text) + '\n'));
    EXPECT_EQ(FtdiPorts({CompletedFromSysfs({std::nullopt, "", "/dev/ttyUSB0"}, sysfs.path())}),
              (QList<FtdiPort>{{"TARV0001", "/dev/ttyUSB0", "1-1.4", "FT232R USB UART"}}));
}

// Where the vendor's library (here the simulated bridge) keeps its information list.
TEST(DeviceDetails, LibraryGivesLocationAndDescription) {
    SimBridge sim("device = TARV0001\ndevice = TARV0002\nlocation = 0x2a0\n");
    ASSERT_TRUE(sim.ready());
    EXPECT_EQ(DeviceList::ScanDetails(),
              (QList<Details>{{"TARV0001", "0x1141", "", "FT232R USB UART"},
                              {"TARV0002", "0x2a0", "", "FT232R USB UART"}}));
}

}  // namespace
