// Writes the simulator's configuration for a test and parses its transcript.

#include "tests/common/SimBridge.h"

#include <QFile>
#include <QLibrary>

#include "link/FTDI.h"
#include "link/PortHandle.h"

namespace {

constexpr const char* kConfigVariable = "TARVELLON_SIM_CONFIG";
// The transcript's event names, in the order of SimEvent::Kind.
const QByteArrayList kKindNames =
    QByteArray(
        "open open-failed write read close command unplug latency-get latency-set "
        "notification lost")
        .split(' ');

bool reloadSimulator() {
    const auto reload =
        reinterpret_cast<int (*)()>(QLibrary::resolve("ftd2xx", "TarvellonSim_Reload"));
    return reload != nullptr && reload() == 0;
}

}  // namespace

SimBridge::SimBridge(const QString& config) {
    PortHandle = DeviceHandle::none();
    QFile file(m_folder.filePath(QStringLiteral("sim.conf")));
    const QString text = "transcript = " + m_folder.filePath("transcript.txt") + "\n" + config;
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8() + "\n") < 0 || !file.flush())
        return;
    qputenv(kConfigVariable, file.fileName().toLocal8Bit());
    m_ready = FTDI::LoadDriverLibrary() && reloadSimulator();
}

SimBridge::~SimBridge() {
    qunsetenv(kConfigVariable);
    reloadSimulator();
}

// Each line is "<microseconds> <event> <serial or -> <bytes in hex>".
QList<SimEvent> SimBridge::events() const {
    QList<SimEvent> events;
    QFile file(m_folder.filePath("transcript.txt"));
    for (file.open(QIODevice::ReadOnly); !file.atEnd();) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        const qsizetype kind = kKindNames.indexOf(fields.value(1));
        if (kind < 0 || fields.size() < 3) continue;
        events.append({fields[0].toLongLong(), SimEvent::Kind(kind),
                       fields[2] == "-" ? QString() : QString::fromLatin1(fields[2]),
                       QByteArray::fromHex(fields.mid(3).join())});
    }
    return events;
}

QList<SimEvent> SimBridge::events(SimEvent::Kind kind) const {
    QList<SimEvent> selected = events();
    selected.removeIf([kind](const SimEvent& event) { return event.kind != kind; });
    return selected;
}

QByteArrayList SimBridge::writes() const {
    QByteArrayList bytes;
    for (const SimEvent& event : events(SimEvent::Kind::Write)) bytes.append(event.bytes);
    return bytes;
}

QStringList SimBridge::wire() const {
    QStringList steps;
    for (const SimEvent& e : events())
        if (e.kind != SimEvent::Kind::Read && e.kind < SimEvent::Kind::Command) {
            steps << QString::number(int(e.kind)) + e.bytes.toHex();
        }
    return steps;
}
