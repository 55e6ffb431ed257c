// The command line and the station tell bridges apart by more than a serial number: the socket a
// bridge hangs on and the port it opens by. Without udev's database (a container, a minimal
// system) the kernel's driver must still find the bridges through sysfs, or nothing is listed.
// Whichever order the ports come in, the list is the same.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

#include "link/FTDI.h"
#include "link/serial/FtdiPorts.h"
#include "link/serial/KernelSerial.h"
#include "operations/DeviceList.h"
#include "tests/common/SimBridge.h"
#include "tests/common/WriteFile.h"

namespace {

using DeviceList::Details;

// A sysfs tree as the kernel lays it out: class/tty/NAME/device links to the tty's folder, in or
// below the USB interface's (bInterfaceNumber), below the USB device's (idVendor, serial,
// product). An attribute left empty is not written.
struct FakeTty {
    const char *name, *interface, *below, *number, *vendor, *serial, *product;
};

// clang-format off
const FakeTty ttys[] = {
    {"ttyUSB0", "pci0000:00/usb1/1-1/1-1.4/1-1.4:1.0", "ttyUSB0", "00", "0403", "TARV0001", "FT232R USB UART"},
    // A dual-channel chip whose channel B came up first.
    {"ttyUSB1", "pci0000:00/usb1/1-1/1-1.2/1-1.2:1.1", "ttyUSB1", "01", "0403", "FT2232X", "Dual RS232-HS"},
    {"ttyUSB2", "pci0000:00/usb1/1-1/1-1.2/1-1.2:1.0", "ttyUSB2", "00", "", "", ""},
    // cdc-acm hangs the tty on the interface itself.
    {"ttyACM0", "pci0000:00/usb1/1-1/1-1.3/1-1.3:1.0", "", "00", "0403", "ACM0001", ""},
    {"ttyS0", "platform/serial8250/tty", "ttyS0", "", "", "", ""},
};
// clang-format on

TEST(DeviceDetails, KernelDriverReadsWhatQtLacksFromSysfs) {
    QTemporaryDir sysfs;
    for (const FakeTty& tty : ttys) {
        const QString interface = sysfs.filePath("devices/") + tty.interface;
        const QString folder = QDir::cleanPath(interface + '/' + tty.below);
        const QString device = QFileInfo(interface).path() + '/';
        QDir().mkpath(folder);
        QDir().mkpath(sysfs.filePath("class/tty/") + tty.name);
        QFile::link(folder, sysfs.filePath("class/tty/") + tty.name + "/device");
        for (const auto& [file, text] : {std::pair{interface + "/bInterfaceNumber", tty.number},
                                         {device + "idVendor", tty.vendor},
                                         {device + "serial", tty.serial},
                                         {device + "product", tty.product}}) {
            if (*text) {
                ASSERT_TRUE(WriteFile(file, QByteArray(text) + '\n'));
            }
        }
    }
    const QList<PortDescription> fromQt = {
        {std::nullopt, "", "/dev/ttyUSB0"},
        {std::nullopt, "", "/dev/ttyUSB1"},
        {std::nullopt, "", "/dev/ttyUSB2"},
        {0x0403, "UDEV0001", "/dev/ttyACM0", std::nullopt, "", "from udev"},
        {std::nullopt, "", "/dev/ttyS0"},
        {std::nullopt, "", "/dev/pts/3"},
        {0x0403, "", "/dev/ttyUSB5"},          // reports no serial number
        {0x10C4, "CP000001", "/dev/ttyUSB6"},  // another vendor's bridge
        {0x0403, "FT2232Y", "/dev/ttyUSB10"},  // two channels, which, unknown
        {0x0403, "FT2232Y", "/dev/ttyUSB3"},
    };
    QList<PortDescription> completed;
    for (const PortDescription& port : fromQt)
        completed.append(CompletedFromSysfs(port, sysfs.path()));
    const QList<FtdiPort> listed = {
        {"FT2232XA", "/dev/ttyUSB2", "1-1.2", "Dual RS232-HS"},
        {"FT2232XB", "/dev/ttyUSB1", "1-1.2", "Dual RS232-HS"},
        {"FT2232YA", "/dev/ttyUSB3"},
        {"FT2232YB", "/dev/ttyUSB10"},
        {"TARV0001", "/dev/ttyUSB0", "1-1.4", "FT232R USB UART"},
        {"UDEV0001", "/dev/ttyACM0", "1-1.3", "from udev"},
    };
    EXPECT_EQ(FtdiPorts(completed), listed);
    std::reverse(completed.begin(), completed.end());
    EXPECT_EQ(FtdiPorts(completed), listed);
}

// Where the vendor's library (here the simulated bridge) keeps its information list; a library
// without it still lists its bridges, with serial numbers alone.
TEST(DeviceDetails, LibraryGivesLocationAndDescription) {
    SimBridge sim("device = TARV0001\ndevice = TARV0002\nlocation = 0x2a0\n");
    ASSERT_TRUE(sim.ready());
    EXPECT_EQ(DeviceList::ScanDetails(),
              (QList<Details>{{"TARV0001", "0x1141", "", "FT232R USB UART"},
                              {"TARV0002", "0x2a0", "", "FT232R USB UART"}}));
    FTDI::D2xxApi bare = *FTDI::InstalledApi();
    bare.CreateDeviceInfoList = nullptr;
    FTDI::InstallApi(&bare);
    EXPECT_EQ(DeviceList::ScanDetails(),
              (QList<Details>{{"TARV0001", "", "", ""}, {"TARV0002", "", "", ""}}));
    FTDI::LoadDriverLibrary();

    // Through the kernel's driver, a port given by path.
    QTemporaryDir folder;
    const QString port = folder.filePath("ttyUSB7");
    QFile(port).open(QIODevice::WriteOnly);
    KernelSerial::BindPort("TARV0007", port);
    FTDI::InstallApi(KernelSerial::Api());
    EXPECT_EQ(DeviceList::ScanDetails(), (QList<Details>{{"TARV0007", "", port, ""}}));
    FTDI::LoadDriverLibrary();
}

}  // namespace
