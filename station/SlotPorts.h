#pragma once

// Which port is which slot, and what each one holds: the station's eyes on the bridges. Fed by a
// scan of the attached bridges, it numbers the slots, sees units plugged in, unplugged and
// swapped, and queues each unit once per plug-in. It starts nothing: a slot whose upgrade runs is
// the engine's until the upgrade ends, and the engine sets the states that follow from it.

#include <QHash>
#include <QList>
#include <functional>
#include <vector>

#include "operations/DeviceList.h"
#include "station/StationValues.h"

class SlotPorts {
  public:
    using Scan = std::function<QList<DeviceList::Details>()>;

    // What one look at the ports changed.
    struct Changes {
        bool slotsAdded = false;
        QList<int> changed;  // the slots whose view changed, in slot order
    };

    // `slotNames`: names by location, whose slots are there from the first look on. `newOnly`:
    // the units seen at the first look are left alone until they are plugged in again.
    SlotPorts(Scan scan, QHash<QString, QString> slotNames, bool newOnly);

    // Scans the ports once. `nowMs`, on a steady clock, times how long an unplugged slot says so.
    Changes look(qint64 nowMs);

    int count() const { return int(m_ports.size()); }
    const SlotView& slot(int index) const { return m_ports[index].view; }
    // For the engine, which fills in how the slot's upgrade goes.
    SlotView& slot(int index) { return m_ports[index].view; }

  private:
    struct Port {
        SlotView view;
        QString key;  // the location, or what stands in for one
        qint64 unpluggedAtMs = 0;
    };

    QString keyOf(const DeviceList::Details& device, const QHash<QString, QString>& seen) const;
    void addSlots(QList<std::pair<QString, QString>> ports, Changes& changes);
    void follow(Port& port, const QString& serial, bool maybeHeld, qint64 nowMs, Changes& changes);
    void plugIn(Port& port, const QString& serial, Changes& changes);
    void setState(Port& port, SlotState state, Changes& changes);

    Scan m_scan;
    QHash<QString, QString> m_slotNames;
    bool m_newOnly = false;
    bool m_firstLook = true;
    std::vector<Port> m_ports;
};
