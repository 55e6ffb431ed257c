// `list`: the serial numbers of the attached devices, one a line, as the window's list shows them;
// with -l a table, with --json one object that holds them. Which driver found them goes to
// stderr, so a script reading the serials sees nothing else.

#include <QJsonArray>
#include <QJsonObject>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/JsonReporter.h"
#include "cli/UnitChoice.h"
#include "operations/DeviceList.h"
#include "operations/FailureDetail.h"
#include "operations/FailureHint.h"

namespace {

void printTable(const QList<DeviceList::Details>& devices, const QString& driver) {
    QList<QStringList> rows = {{QStringLiteral("SERIAL"), QStringLiteral("DRIVER"),
                                QStringLiteral("PORT"), QStringLiteral("LOCATION"),
                                QStringLiteral("DESCRIPTION")}};
    for (const DeviceList::Details& device : devices) {
        rows.append({EscapedDeviceText(device.serial), driver, device.port, device.location,
                     EscapedDeviceText(device.description)});
        for (QString& cell : rows.last()) {
            if (cell.isEmpty()) cell = QStringLiteral("-");
        }
    }
    QList<qsizetype> widths(rows.front().size(), 0);
    for (const QStringList& row : rows) {
        for (qsizetype column = 0; column < row.size(); ++column) {
            widths[column] = qMax(widths[column], row[column].size());
        }
    }
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype column = 0; column < row.size(); ++column) {
            line += row[column].leftJustified(widths[column] + 2);
        }
        CommandLine::Out(line.trimmed());
    }
}

// One object, also when no device is attached, so that a program always has something to read.
ExitCode printJson(const QList<DeviceList::Details>& devices, Driver driver) {
    QJsonArray entries;
    for (const DeviceList::Details& device : devices) {
        entries.append(QJsonObject{{"serial", JsonReporter::TextOrNull(device.serial)},
                                   {"driver", DriverName(driver)},
                                   {"port", JsonReporter::TextOrNull(device.port)},
                                   {"location", JsonReporter::TextOrNull(device.location)},
                                   {"description", JsonReporter::TextOrNull(device.description)}});
    }
    const bool none = devices.isEmpty();
    JsonReporter::EmitEvent(
        QStringLiteral("list"),
        {{"schema_version", JsonReporter::SchemaVersion},
         {"devices", entries},
         {"exit_code", static_cast<int>(none ? ExitCode::NoSuchDevice : ExitCode::Success)},
         {"detail", none ? QJsonValue(NoneAttachedDetail) : QJsonValue()},
         {"hint", none ? QJsonValue(FailureHint(NoneAttachedKey(driver))) : QJsonValue()}});
    return none ? ExitCode::NoSuchDevice : ExitCode::Success;
}

}  // namespace

ExitCode Commands::List(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("One JSON object on stdout, for programs: its devices each with serial, "
                       "driver, port, location and description (fields: README.md, man "
                       "tarvellon-flash)."));
    const QCommandLineOption table(QStringLiteral("l"),
                                   QStringLiteral("A table: serial number, driver, port, "
                                                  "location and description of each device."));
    parser.addOptions({json, table, DriverChoice::Option(), CommandLine::QuietOption()});
    if (const auto exit = CommandLine::Parse(parser, command, arguments, {})) {
        return *exit;
    }
    if (parser.isSet(json) && parser.isSet(table)) {
        return CommandLine::UsageError(QStringLiteral("-l and --json cannot go together"));
    }
    const std::variant<Driver, ExitCode> driver = CommandLine::UseDriver(parser);
    if (const ExitCode* exit = std::get_if<ExitCode>(&driver)) {
        return *exit;
    }
    const QString driverName = DriverName(std::get<Driver>(driver));
    CommandLine::Note(QStringLiteral("driver: ") + DriverDescription(std::get<Driver>(driver)));
    const QList<DeviceList::Details> devices = DeviceList::ScanDetails();
    if (parser.isSet(json)) {
        return printJson(devices, std::get<Driver>(driver));
    }
    if (devices.isEmpty()) {
        CommandLine::Err(NoneAttachedDetail);
        CommandLine::Hint(FailureHint(NoneAttachedKey(std::get<Driver>(driver))));
        return ExitCode::NoSuchDevice;
    }
    if (parser.isSet(table)) {
        printTable(devices, driverName);
        return ExitCode::Success;
    }
    for (const DeviceList::Details& device : devices) {
        CommandLine::Out(EscapedDeviceText(device.serial));
    }
    return ExitCode::Success;
}
