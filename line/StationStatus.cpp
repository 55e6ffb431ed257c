#include "line/StationStatus.h"

#include <QJsonArray>

#include "operations/FailureHint.h"

namespace StationStatus {
namespace {

QJsonValue textOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QString runName(StationState::Run run) {
    switch (run) {
        case StationState::Run::Running:
            return QStringLiteral("running");
        case StationState::Run::Stopping:
            return QStringLiteral("stopping");
        case StationState::Run::Stopped:
            return QStringLiteral("stopped");
        case StationState::Run::LineStopped:
            return QStringLiteral("line_stopped");
    }
    return {};
}

QJsonObject image(const ImageSummary& image) {
    return {{"path", image.path},     {"file", image.fileName},   {"key", image.key},
            {"sha256", image.sha256}, {"records", image.records}, {"bytes", image.size},
            {"driver", image.driver}};
}

QJsonObject slot(const SlotView& slot) {
    const bool failed = slot.state == SlotState::Fail;
    return {{"number", slot.number},
            {"name", slot.name},
            {"location", textOrNull(slot.location)},
            {"serial", textOrNull(slot.serial)},
            {"state", SlotStateName(slot.state)},
            {"percent", slot.percent},
            {"seconds_left", slot.secondsLeft},
            {"detail", failed ? textOrNull(slot.detail) : QJsonValue()},
            {"advice", failed ? textOrNull(FailureAdvice(slot.hint)) : QJsonValue()}};
}

QJsonValue failure(const QJsonObject& closing) {
    if (closing.isEmpty()) return {};
    const QString hint = closing.value(QStringLiteral("hint")).toString();
    QJsonObject said;
    for (const char* field : {"serial", "slot", "ended_at", "outcome", "detail", "hint"}) {
        said.insert(field, closing.value(field));
    }
    said.insert("advice", textOrNull(FailureAdvice(hint)));
    return said;
}

}  // namespace

QString SlotStateName(SlotState state) {
    switch (state) {
        case SlotState::Empty:
            return QStringLiteral("empty");
        case SlotState::LeftAlone:
            return QStringLiteral("left_alone");
        case SlotState::Queued:
            return QStringLiteral("queued");
        case SlotState::Starting:
            return QStringLiteral("starting");
        case SlotState::Flashing:
            return QStringLiteral("flashing");
        case SlotState::Pass:
            return QStringLiteral("pass");
        case SlotState::Fail:
            return QStringLiteral("fail");
        case SlotState::Unplugged:
            return QStringLiteral("unplugged");
    }
    return {};
}

QJsonObject Body(const StationState& state) {
    QJsonArray slotList;
    for (const SlotView& view : state.slotViews) slotList.append(slot(view));
    const Totals& totals = state.totals;
    QJsonObject figures =
        Figures(totals.passed, totals.failed, totals.yieldPercent, totals.lastHour);
    figures.insert(QStringLiteral("in_progress"), totals.running);
    return {{"state", runName(state.run)},
            {"line_stopped_reason", state.run == StationState::Run::LineStopped
                                        ? textOrNull(state.lineStopped)
                                        : QJsonValue()},
            {"image", image(state.image)},
            {"slots", slotList},
            {"totals", figures},
            {"last_failure", failure(state.lastFailure)}};
}

QJsonObject Figures(int passed, int failed, std::optional<int> yieldPercent, int lastHour) {
    return {{"passed", passed},
            {"failed", failed},
            {"yield_percent", yieldPercent ? QJsonValue(*yieldPercent) : QJsonValue()},
            {"last_hour", lastHour}};
}

Totals FiguresOf(const QJsonObject& status) {
    const QJsonObject figures = status.value(QStringLiteral("totals")).toObject();
    const QJsonValue yield = figures.value(QStringLiteral("yield_percent"));
    Totals totals;
    totals.passed = figures.value(QStringLiteral("passed")).toInt();
    totals.failed = figures.value(QStringLiteral("failed")).toInt();
    if (yield.isDouble()) totals.yieldPercent = yield.toInt();
    totals.lastHour = figures.value(QStringLiteral("last_hour")).toInt();
    totals.running = figures.value(QStringLiteral("in_progress")).toInt();
    return totals;
}

}  // namespace StationStatus
