// The device list's handlers. A selection is a device operation: it runs under the guard, so the
// list, Re-scan and Upgrade stay out of reach while the blink pumps events.

#include "app/DeviceOperationGuard.h"
#include "app/Form1.h"
#include "operations/DeviceIdentify.h"
#include "operations/DeviceList.h"

// Nothing is selected afterwards, and the current device stays whatever it was.
void Form1::RescanDevices() {
    const QStringList entries = DeviceList::Scan();
    DevicesList->clear();
    DevicesList->addItems(entries);
}

void Form1::DevicesList_Click() {
    const QListWidgetItem* entry = DevicesList->currentItem();
    if (entry == nullptr) {
        return;
    }
    DeviceOperationGuard guard({DevicesList, DevicesRescan, Upgrade});
    if (!guard.acquired()) {
        return;
    }
    const QString serial = entry->text();
    if (serial == DeviceList::NoDeviceFound) {
        showMessage(serial, MessageIcon::Warning);
        logLine(serial);
        logLine(QString());
        return;
    }
    CurrentDeviceLabel->setText(serial);
    if (!DeviceIdentify::Open(*this, serial).opened()) {
        DeviceSerial = QString();
        UpdateStatusPrompt();
        return;
    }
    DeviceSerial = serial;
    DeviceIdentify::Blink(*this);
    UpdateStatusPrompt();
    logLine(QString());
}

void Form1::DevicesRescan_Click() {
    if (DeviceOperationGuard::busy()) {
        return;
    }
    RescanDevices();
}
