#pragma once

// Identifying the chosen device at the bench: its activity LED blinks six times, then it resets.
// It sees the window only through OperationView; the window records the selection between the
// two steps.

#include <QString>

#include "link/OpenFailure.h"
#include "operations/OperationView.h"

namespace DeviceIdentify {

// Logs the selection and opens the device into PortHandle. A device that does not open is
// logged, and why is handed back.
PortOpening Open(OperationView& view, const QString& serial);

// On the open device: six blinks paced by the clock, then "reset", then the port is closed.
// Nothing is read and no send is checked, so a device that stops listening does not stop it.
void Blink(OperationView& view);

}  // namespace DeviceIdentify
