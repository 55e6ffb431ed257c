// Writes the simulator's configuration for a test and parses its transcript.

#include "tests/common/SimBridge.h"

#include <QFile>
#include <QLibrary>

#include "link/FTDI.h"
#include "link/PortHandle.h"

namespace {

constexpr const char* kConfigVariable = "TARVELLON_SIM_CONFIG";

using Reload = int (*)();
using DefaultConfig = const char* (*)();

QFunctionPointer simFunction(const char* name) {
    return QLibrary::resolve("ftd2xx", name);
}

bool reloadSimulator() {
    const auto reload = reinterpret_cast<Reload>(simFunction("TarvellonSim_Reload"));
    return reload != nullptr && reload() == 0;
}

const QList<std::pair<QByteArray, SimEvent::Kind>>& kindNames() {
    static const QList<std::pair<QByteArray, SimEvent::Kind>> names = {
        {"open", SimEvent::Kind::Open},    {"open-failed", SimEvent::Kind::OpenFailed},
        {"write", SimEvent::Kind::Write},  {"read", SimEvent::Kind::Read},
        {"close", SimEvent::Kind::Close},  {"command", SimEvent::Kind::Command},
        {"unplug", SimEvent::Kind::Unplug}};
    return names;
}

QList<QByteArray> bytesOf(const QList<SimEvent>& events) {
    QList<QByteArray> bytes;
    for (const SimEvent& event : events) {
        bytes.append(event.bytes);
    }
    return bytes;
}

}  // namespace

SimBridge::SimBridge(const QString& config) {
    PortHandle = DeviceHandle::none();
    QFile file(configPath());
    const QByteArray text =
        "transcript = " + transcriptPath().toUtf8() + "\n" + config.toUtf8() + "\n";
    if (!m_folder.isValid() || !file.open(QIODevice::WriteOnly) || file.write(text) < 0) {
        return;
    }
    file.close();
    qputenv(kConfigVariable, configPath().toLocal8Bit());
    m_ready = FTDI::LoadDriverLibrary() && reloadSimulator();
}

SimBridge::~SimBridge() {
    qunsetenv(kConfigVariable);
    reloadSimulator();
}

QString SimBridge::defaultConfig() {
    const auto text = reinterpret_cast<DefaultConfig>(simFunction("TarvellonSim_DefaultConfig"));
    return text == nullptr ? QString() : QString::fromUtf8(text());
}

QString SimBridge::configPath() const {
    return m_folder.filePath(QStringLiteral("sim.conf"));
}

QString SimBridge::transcriptPath() const {
    return m_folder.filePath(QStringLiteral("transcript.txt"));
}

QList<SimEvent> SimBridge::events() const {
    QList<SimEvent> events;
    QFile file(transcriptPath());
    if (!file.open(QIODevice::ReadOnly)) {
        return events;
    }
    // "<microseconds> <event> <serial> <bytes in hex>"
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        if (fields.size() < 3) {
            continue;
        }
        for (const auto& [name, kind] : kindNames()) {
            if (fields[1] == name) {
                SimEvent event;
                event.timeUs = fields[0].toLongLong();
                event.kind = kind;
                event.serial = fields[2] == "-" ? QString() : QString::fromLatin1(fields[2]);
                event.bytes = QByteArray::fromHex(fields.mid(3).join());
                events.append(event);
            }
        }
    }
    return events;
}

QList<SimEvent> SimBridge::events(SimEvent::Kind kind) const {
    QList<SimEvent> selected = events();
    selected.removeIf([kind](const SimEvent& event) { return event.kind != kind; });
    return selected;
}

QList<QByteArray> SimBridge::writes() const {
    return bytesOf(events(SimEvent::Kind::Write));
}

QList<QByteArray> SimBridge::reads() const {
    QList<QByteArray> bytes = bytesOf(events(SimEvent::Kind::Read));
    bytes.removeAll(QByteArray());
    return bytes;
}

QList<SimEvent> SimBridge::commands() const {
    return events(SimEvent::Kind::Command);
}
