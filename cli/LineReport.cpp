#include "cli/LineReport.h"

#include <QDateTime>
#include <QJsonArray>

#include "line/LineTexts.h"
#include "line/StationStatus.h"
#include "operations/FailureDetail.h"

namespace LineReport {
namespace {

// Anyone who may publish on the line's topics writes these words: they must not steer a terminal.
QStringList escaped(QStringList lines) {
    for (QString& line : lines) line = EscapedDeviceText(line);
    return lines;
}

}  // namespace

QStringList Lines(const LineModel& model) {
    const LineTotals totals = model.totals();
    QStringList lines =
        escaped({QStringLiteral("line %1: %2 online, %3 offline; %4")
                     .arg(model.line())
                     .arg(totals.online)
                     .arg(totals.offline)
                     .arg(LineTexts::Figures(totals.passed, totals.failed, totals.yieldPercent,
                                             totals.lastHour))});
    const QList<StationEntry> stations = model.stations();
    for (const StationEntry& station : stations) lines << StationLines(station);
    if (const QString mixed = LineTexts::MixedImages(stations); !mixed.isEmpty()) {
        lines << escaped({QStringLiteral("warning: ") + mixed});
    }
    return lines;
}

QStringList StationLines(const StationEntry& station) {
    const QJsonObject& status = station.status;
    const Totals figures = StationStatus::FiguresOf(status);
    QString state = LineTexts::StateWord(station);
    if (!station.online) state = LineTexts::OfflineSince(station).toUpper();
    const QString reason = status.value(QStringLiteral("line_stopped_reason")).toString();
    if (station.online && !reason.isEmpty()) state += QStringLiteral(" (%1)").arg(reason);
    QStringList lines{QStringLiteral("%1  %2  %3  %4, %5 waiting")
                          .arg(station.name, state, LineTexts::Image(status),
                               LineTexts::Figures(figures.passed, figures.failed,
                                                  figures.yieldPercent, figures.lastHour))
                          .arg(status.value(QStringLiteral("backlog")).toInt())};
    if (const QString failure = LineTexts::LastFailure(status); !failure.isEmpty()) {
        lines << QStringLiteral("%1  last failure: %2").arg(station.name, failure);
    }
    return escaped(lines);
}

QJsonObject Json(const LineModel& model, ExitCode verdict) {
    const LineTotals totals = model.totals();
    const QList<StationEntry> stations = model.stations();
    QJsonArray entries;
    for (const StationEntry& station : stations) {
        entries.append(QJsonObject{
            {"station", station.name},
            {"online", station.online},
            {"offline_since", station.online || !station.offlineSince.isValid()
                                  ? QJsonValue()
                                  : QJsonValue(station.offlineSince.toUTC().toString(Qt::ISODate))},
            {"status", station.status.isEmpty() ? QJsonValue() : QJsonValue(station.status)}});
    }
    const QString mixed = LineTexts::MixedImages(stations);
    QJsonObject figures =
        StationStatus::Figures(totals.passed, totals.failed, totals.yieldPercent, totals.lastHour);
    figures.insert(QStringLiteral("stations_online"), totals.online);
    figures.insert(QStringLiteral("stations_offline"), totals.offline);
    figures.insert(QStringLiteral("lines_stopped"), totals.linesStopped);
    return {{"schema_version", 1},
            {"line", model.line()},
            {"time", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
            {"totals", figures},
            {"mixed_images", mixed.isEmpty() ? QJsonValue() : QJsonValue(mixed)},
            {"stations", entries},
            {"exit_code", int(verdict)}};
}

ExitCode Verdict(const LineModel& model) {
    const LineTotals totals = model.totals();
    if (totals.linesStopped > 0) return ExitCode::LineStopped;
    if (totals.offline > 0 || totals.online == 0) return ExitCode::StationsOffline;
    return ExitCode::Success;
}

}  // namespace LineReport
