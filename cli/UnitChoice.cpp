#include "cli/UnitChoice.h"

#include "cli/CommandLine.h"
#include "operations/DeviceList.h"

std::variant<QString, ExitCode> OnlyAttachedUnit() {
    QStringList attached = DeviceList::Scan();
    attached.removeAll(DeviceList::NoDeviceFound);
    if (attached.isEmpty()) {
        return ExitCode::NoSuchDevice;
    }
    if (attached.size() == 1) {
        if (!attached.front().isEmpty()) {
            return attached.front();
        }
        return CommandLine::UsageError(
            QStringLiteral("the device attached reports no serial number; name its port with "
                           "--port"));
    }
    for (QString& serial : attached) {
        if (serial.isEmpty()) serial = QStringLiteral("(no serial number)");
    }
    return CommandLine::UsageError(QStringLiteral("%1 devices are attached (%2): name one")
                                       .arg(attached.size())
                                       .arg(attached.join(QStringLiteral(", "))));
}

QString NamedUnit(const QCommandLineParser& parser,
                  const QList<CommandLine::Positional>& positionals) {
    const QString serial = CommandLine::PositionalValue(parser, positionals, SerialArgument.name);
    const QString port = PortOption().names().constFirst();
    return serial.isEmpty() && parser.isSet(port) ? parser.value(port) : serial;
}

FailureKey NoneAttachedKey(Driver driver) {
    return {.step = QStringLiteral("open"),
            .cause = FailureCause::NoneAttached,
            .driver = DriverName(driver)};
}
