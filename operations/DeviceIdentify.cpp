// The blink holds the LED on for 25 ms of every 125 ms pass, long enough to see and short enough
// to tell apart from the device's own activity.

#include "operations/DeviceIdentify.h"

#include "link/Clock.h"
#include "link/DeviceCommands.h"
#include "link/Interrupt.h"
#include "link/SubCom.h"

namespace DeviceIdentify {
namespace {

constexpr int kPasses = 6;
constexpr int kOffBeforeMs = 50;
constexpr int kOnMs = 25;
constexpr int kOffAfterMs = 50;

}  // namespace

PortOpening Open(OperationView& view, const QString& serial) {
    view.logLine(QStringLiteral("New device selected : ") + serial);
    PortOpening opening = SubCom::OpenPort(serial);
    if (!opening.opened()) {
        view.logLine(QStringLiteral("Can't talk to device, check connection."));
    }
    return opening;
}

void Blink(OperationView& view) {
    view.logLine(QStringLiteral("Sending commands to toggle activity led."));
    view.setStatus(QStringLiteral("Toggling activity led."));
    // An interrupt cuts the blink short; the device is still reset and closed.
    for (int pass = 0; pass < kPasses && !Interrupt::Requested(); ++pass) {
        SubCom::SendCommand(DeviceCommands::LedOff());
        view.setStatus(QStringLiteral("Toggling activity led..."));
        Time::WaitMs(kOffBeforeMs);
        SubCom::SendCommand(DeviceCommands::LedOn());
        Time::WaitMs(kOnMs);
        SubCom::SendCommand(DeviceCommands::LedOff());
        view.setStatus(QString());
        Time::WaitMs(kOffAfterMs);
    }
    SubCom::SendCommand(DeviceCommands::Reset());
    SubCom::ClosePort();
}

}  // namespace DeviceIdentify
