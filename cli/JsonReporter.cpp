#include "cli/JsonReporter.h"

#include <QJsonDocument>

#include "cli/CommandLine.h"
#include "operations/FailureHint.h"
#include "operations/UpgradeProcedure.h"

namespace {

QJsonValue numberOrNull(const std::optional<int>& number) {
    return number ? QJsonValue(*number) : QJsonValue();
}

QString readOutcomeName(FTDI::ReadOutcome outcome) {
    switch (outcome) {
        case FTDI::ReadOutcome::Ok:
            break;
        case FTDI::ReadOutcome::NoReply:
            return QStringLiteral("no_reply");
        case FTDI::ReadOutcome::DeviceError:
            return QStringLiteral("vanished");
        case FTDI::ReadOutcome::LineTooLong:
            return QStringLiteral("line_too_long");
        case FTDI::ReadOutcome::Interrupted:
            return QStringLiteral("interrupted");
    }
    return QStringLiteral("ok");
}

}  // namespace

void JsonReporter::start(const QString& serial, const QString& imagePath, const QString& attempt) {
    QJsonObject fields{
        {"schema_version", SchemaVersion}, {"serial", TextOrNull(serial)}, {"image", imagePath}};
    if (!attempt.isEmpty()) fields.insert(QStringLiteral("attempt"), attempt);
    EmitEvent(QStringLiteral("start"), fields);
}

void JsonReporter::logLine(const QString& text) {
    EmitEvent(QStringLiteral("log"), {{"text", text}});
}

void JsonReporter::message(const QString& text, MessageIcon icon) {
    const QString iconName = icon == MessageIcon::Warning ? "warning" : "information";
    EmitEvent(QStringLiteral("message"), {{"icon", iconName}, {"text", text}});
}

void JsonReporter::progress(const Progress& progress) {
    EmitEvent(QStringLiteral("progress"),
              {{"records_done", progress.done},
               {"records", progress.total},
               {"percent", progress.percent},
               {"records_per_second", qRound(progress.recordsPerSecond)},
               {"seconds_left", qRound(progress.secondsLeft)}});
}

void JsonReporter::waiting(const QString& awaited, int seconds) {
    const int deadline = UpgradeProcedure::ReplyDeadlineMs / 1000;
    EmitEvent(QStringLiteral("waiting"), {{"awaited", awaited},
                                          {"seconds", seconds},
                                          {"seconds_left", seconds > 0 ? deadline - seconds : 0}});
}

void JsonReporter::exchange(const Exchange& exchange) {
    const bool text = exchange.record == 0 && !exchange.byte;
    EmitEvent(QStringLiteral("exchange"),
              {{"time_ms", exchange.timeMs},
               {"direction", exchange.sent ? "sent" : "received"},
               {"text", text ? QJsonValue(exchange.text) : QJsonValue()},
               {"byte", exchange.byte ? QJsonValue(*exchange.byte) : QJsonValue()},
               {"record", exchange.record > 0 ? QJsonValue(exchange.record) : QJsonValue()},
               {"outcome", exchange.sent ? QJsonValue() : readOutcomeName(exchange.outcome)}});
}

void JsonReporter::note(const QString& text) {
    EmitEvent(QStringLiteral("note"), {{"text", text}});
}

void JsonReporter::finish(const UpgradeSummary& summary) {
    EmitEvent(QStringLiteral("end"), EndFields(summary));
}

QJsonObject JsonReporter::EndFields(const UpgradeSummary& summary) {
    const UpgradeReport& report = summary.report;
    return {{"schema_version", SchemaVersion},
            {"serial", TextOrNull(summary.serial)},
            {"image", summary.imagePath},
            {"image_sha256", report.image.isEmpty() ? QJsonValue() : report.imageSha256()},
            {"image_key", TextOrNull(report.imageKey)},
            {"device_key", TextOrNull(FailureKeyOf(report).deviceKey)},
            {"records", report.records},
            {"records_acknowledged", report.recordsAcknowledged},
            {"duration_ms", summary.durationMs},
            {"outcome", OutcomeName(summary.exit)},
            {"exit_code", static_cast<int>(summary.exit)},
            {"failed_step", TextOrNull(summary.failedStep)},
            {"detail", TextOrNull(summary.detail)},
            {"hint", TextOrNull(summary.hint)},
            {"latency_ms_found", numberOrNull(summary.latencyFoundMs)},
            {"latency_ms_used", numberOrNull(summary.latencyUsedMs)}};
}

void JsonReporter::Print(const QJsonObject& object) {
    CommandLine::Out(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void JsonReporter::EmitEvent(const QString& event, QJsonObject fields) {
    fields.insert(QStringLiteral("event"), event);
    Print(fields);
}

QJsonValue JsonReporter::TextOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}
