#include "station/SlotPorts.h"

#include <algorithm>

#include "station/Locations.h"

namespace {

// How long an unplugged unit's slot says so, so the operator sees it go.
constexpr qint64 kUnpluggedShownMs = 3000;

}  // namespace

SlotPorts::SlotPorts(Scan scan, QHash<QString, QString> slotNames, bool newOnly)
    : m_scan(std::move(scan)), m_slotNames(std::move(slotNames)), m_newOnly(newOnly) {}

SlotPorts::Changes SlotPorts::look(qint64 nowMs) {
    Changes changes;
    if (m_firstLook) {
        // The named slots are shown from the start, each at its place.
        QList<std::pair<QString, QString>> named;
        for (auto it = m_slotNames.begin(); it != m_slotNames.end(); ++it) {
            named.append({it.key(), it.key()});
        }
        addSlots(named, changes);
    }
    // A bridge that another process holds open may be listed without its serial number: while
    // any such entry stands, a unit missing from the list may be that one, not unplugged.
    bool maybeHeld = false;
    QHash<QString, QString> unitAt;  // serial by slot key
    QList<std::pair<QString, QString>> newPorts;
    for (const DeviceList::Details& device : m_scan()) {
        if (device.serial.isEmpty()) {
            maybeHeld = true;
            continue;
        }
        const QString key = keyOf(device, unitAt);
        unitAt.insert(key, device.serial);
        const bool known = std::any_of(m_ports.begin(), m_ports.end(),
                                       [&](const Port& port) { return port.key == key; });
        if (!known) newPorts.append({key, device.location});
    }
    addSlots(newPorts, changes);
    for (Port& port : m_ports) follow(port, unitAt.value(port.key), maybeHeld, nowMs, changes);
    m_firstLook = false;
    return changes;
}

// Where the driver names no location, the serial stands in for one, or the slot the unit is in
// (a library may leave out the location of a bridge held open); the channels of one chip share a
// location and are told apart by their serials.
QString SlotPorts::keyOf(const DeviceList::Details& device,
                         const QHash<QString, QString>& seen) const {
    QString key = device.location;
    if (key.isEmpty()) {
        const auto holder = std::find_if(m_ports.begin(), m_ports.end(), [&](const Port& port) {
            return port.view.serial == device.serial;
        });
        key = holder != m_ports.end() ? holder->key : QStringLiteral("serial ") + device.serial;
    }
    if (seen.contains(key)) key += ' ' + device.serial;
    return key;
}

void SlotPorts::addSlots(QList<std::pair<QString, QString>> ports, Changes& changes) {
    if (ports.isEmpty()) return;
    std::stable_sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
        return LocationBefore(a.second, b.second);
    });
    for (const auto& [key, location] : ports) {
        Port port;
        port.key = key;
        port.view.number = count() + 1;
        port.view.location = location;
        port.view.name = m_slotNames.value(location, QString::number(port.view.number));
        m_ports.push_back(std::move(port));
    }
    changes.slotsAdded = true;
}

// Where the slot's unit went, by what the port shows now (`serial`, "" when nothing).
void SlotPorts::follow(Port& port, const QString& serial, bool maybeHeld, qint64 nowMs,
                       Changes& changes) {
    if (UpgradeRuns(port.view.state)) return;
    switch (port.view.state) {
        case SlotState::Empty:
            if (!serial.isEmpty()) plugIn(port, serial, changes);
            return;
        case SlotState::Unplugged:
            // Plugged back, it is a new unit as far as the line is concerned.
            if (!serial.isEmpty()) {
                plugIn(port, serial, changes);
            } else if (nowMs - port.unpluggedAtMs > kUnpluggedShownMs) {
                port.view.serial.clear();
                setState(port, SlotState::Empty, changes);
            }
            return;
        default:
            if (serial.isEmpty() && !maybeHeld) {
                port.unpluggedAtMs = nowMs;
                setState(port, SlotState::Unplugged, changes);
            } else if (!serial.isEmpty() && serial != port.view.serial) {
                plugIn(port, serial, changes);
            }
    }
}

void SlotPorts::plugIn(Port& port, const QString& serial, Changes& changes) {
    port.view.serial = serial;
    port.view.detail.clear();
    port.view.hint.clear();
    const bool leftAlone = m_firstLook && m_newOnly;
    setState(port, leftAlone ? SlotState::LeftAlone : SlotState::Queued, changes);
}

void SlotPorts::setState(Port& port, SlotState state, Changes& changes) {
    port.view.state = state;
    changes.changed.append(port.view.number - 1);
}
