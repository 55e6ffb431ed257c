// The Upgrade button's handler: the window's part of an upgrade is only to hold the device
// controls still while the procedure runs, and to tune the bridge when its command line asks.

#include "app/DeviceOperationGuard.h"
#include "app/Form1.h"
#include "operations/UpgradeProcedure.h"

void Form1::Upgrade_Click() {
    // A click in the device list would send its LED commands into the record stream.
    const DeviceOperationGuard guard{DevicesList, DevicesRescan, Upgrade};
    if (!guard.acquired()) {
        return;
    }
    UpgradeProcedure::Run(*this, FirmwarePath, DeviceSerial);
}

// Whether the bridge took the timer shows in the upgrade's pace alone: the window's texts are
// its own, with nothing added.
void Form1::deviceOpened() {
    m_options.fastLink.engage();
}

void Form1::deviceClosing() {
    m_options.fastLink.restore();
}
