#include "cli/JsonReporter.h"

#include <QCryptographicHash>
#include <QJsonDocument>

#include "cli/CommandLine.h"

namespace {

QJsonValue textOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue numberOrNull(const std::optional<int>& number) {
    return number ? QJsonValue(*number) : QJsonValue();
}

// The key alone, without the "firmkey " the device puts before it.
QString deviceKey(const QString& keyReply) {
    const QString prefix = QStringLiteral("firmkey ");
    return keyReply.startsWith(prefix) ? keyReply.mid(prefix.size()) : keyReply;
}

}  // namespace

void JsonReporter::start(const QString& serial, const QString& imagePath, const QString& attempt) {
    QJsonObject fields{{"serial", serial}, {"image", imagePath}};
    if (!attempt.isEmpty()) fields.insert(QStringLiteral("attempt"), attempt);
    emitEvent(QStringLiteral("start"), fields);
}

void JsonReporter::logLine(const QString& text) {
    emitEvent(QStringLiteral("log"), {{"text", text}});
}

void JsonReporter::message(const QString& text, MessageIcon icon) {
    const QString iconName = icon == MessageIcon::Warning ? "warning" : "information";
    emitEvent(QStringLiteral("message"), {{"icon", iconName}, {"text", text}});
}

void JsonReporter::progress(const Progress& progress) {
    emitEvent(QStringLiteral("progress"),
              {{"records_done", progress.done},
               {"records", progress.total},
               {"percent", progress.percent},
               {"records_per_second", qRound(progress.recordsPerSecond)},
               {"seconds_left", qRound(progress.secondsLeft)}});
}

void JsonReporter::note(const QString& text) {
    emitEvent(QStringLiteral("note"), {{"text", text}});
}

void JsonReporter::finish(const UpgradeSummary& summary) {
    emitEvent(QStringLiteral("end"), EndFields(summary));
}

QJsonObject JsonReporter::EndFields(const UpgradeSummary& summary) {
    const UpgradeReport& report = summary.report;
    const QByteArray sha256 =
        QCryptographicHash::hash(report.image, QCryptographicHash::Sha256).toHex();
    return {{"serial", summary.serial},
            {"image", summary.imagePath},
            {"image_sha256", report.image.isEmpty() ? QJsonValue() : QString(sha256)},
            {"image_key", textOrNull(report.imageKey)},
            {"device_key", textOrNull(deviceKey(report.deviceKeyReply))},
            {"records", report.records},
            {"records_acknowledged", report.recordsAcknowledged},
            {"duration_ms", summary.durationMs},
            {"outcome", OutcomeName(summary.exit)},
            {"exit_code", static_cast<int>(summary.exit)},
            {"failed_step", textOrNull(summary.failedStep)},
            {"detail", textOrNull(summary.detail)},
            {"latency_ms_found", numberOrNull(summary.latencyFoundMs)},
            {"latency_ms_used", numberOrNull(summary.latencyUsedMs)}};
}

void JsonReporter::emitEvent(const QString& event, QJsonObject fields) {
    fields.insert(QStringLiteral("event"), event);
    CommandLine::Out(QString::fromUtf8(QJsonDocument(fields).toJson(QJsonDocument::Compact)));
}
