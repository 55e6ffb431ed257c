// Without the D2XX library the window must still open: the probe says no, and every operation
// gives its failure value at once instead of calling into nothing or waiting forever.

#include <gtest/gtest.h>

#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"

namespace {

TEST(NoLibrary, ProbeSaysNoAndEveryOperationFails) {
    EXPECT_FALSE(FTDI::LoadDriverLibrary());
    // A library that loads but lacks the D2XX functions is no D2XX library either.
    EXPECT_FALSE(FTDI::LoadDriverLibrary(QStringLiteral("Qt6Core")));
    ASSERT_EQ(FTDI::InstalledApi(), nullptr);

    EXPECT_EQ(FTDI::CountDevices(), 0);
    EXPECT_EQ(FTDI::DeviceSerialByIndex(0), QString());
    EXPECT_TRUE(FTDI::OpenBySerial(QStringLiteral("TARV0001")).isFailed());

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

}  // namespace
