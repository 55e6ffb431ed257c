#include "station/StationArguments.h"

#include "link/FastLink.h"
#include "station/SlotNames.h"

namespace StationArguments {
namespace {

const QString kRecord = QStringLiteral("record");
const QString kSlots = QStringLiteral("slots");
const QString kJobs = QStringLiteral("jobs");
const QString kNewOnly = QStringLiteral("new-only");
const QString kLatency = QStringLiteral("latency-ms");
const QString kDriver = QStringLiteral("driver");

}  // namespace

QList<QCommandLineOption> Options() {
    return {
        QCommandLineOption(
            kRecord,
            QStringLiteral(
                "Append the record of every unit to FILE. Default: tarvellon-records.jsonl."),
            QStringLiteral("FILE"), QStringLiteral("tarvellon-records.jsonl")),
        QCommandLineOption(
            kSlots,
            QStringLiteral("Name the slots as FILE says, one LOCATION = NAME a line (1-1.4 = "
                           "Slot 3, 0x1142 = Slot 4). Default: numbered in the order of their "
                           "locations."),
            QStringLiteral("FILE")),
        QCommandLineOption(kJobs, QStringLiteral("At most N upgrades at once. Default: no cap."),
                           QStringLiteral("N")),
        QCommandLineOption(kNewOnly,
                           QStringLiteral("Leave the units attached at the start alone.")),
        FastLink::Option(),
        DriverChoice::Option()};
}

std::optional<int> PositiveNumber(const QCommandLineParser& parser, const QString& option) {
    if (!parser.isSet(option)) return 0;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    return ok && value > 0 ? std::optional<int>(value) : std::nullopt;
}

std::variant<Parsed, Failure> Read(const QCommandLineParser& parser) {
    Parsed parsed;
    StationOptions& options = parsed.options;
    options.recordPath = parser.value(kRecord);
    options.newOnly = parser.isSet(kNewOnly);
    const std::optional<int> jobs = PositiveNumber(parser, kJobs);
    if (!jobs) return Failure{QStringLiteral("--jobs takes a whole number above 0")};
    options.jobs = *jobs;
    // Checked here, or every unit would fail on it.
    options.latency = parser.value(kLatency);
    if (!FastLink::FromOption(options.latency)) return Failure{FastLink::OptionError};
    const std::variant<DriverChoice::Choice, QString> driver =
        DriverChoice::Parse(parser.value(kDriver), false);
    if (const QString* error = std::get_if<QString>(&driver)) return Failure{*error};
    parsed.driver = std::get<DriverChoice::Choice>(driver);
    if (parser.isSet(kSlots)) {
        const SlotNames::Read names = SlotNames::FromFile(parser.value(kSlots));
        if (!names.error.isEmpty()) return Failure{names.error, names.unreadable};
        options.slotNames = names.byLocation;
    }
    return parsed;
}

}  // namespace StationArguments
