// The Upgrade button's handler: the window's part of an upgrade is only to hold the device
// controls still while the procedure runs.

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
