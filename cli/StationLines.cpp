#include "cli/StationLines.h"

#include <cwchar>

#include "operations/FailureDetail.h"
#include "station/SlotWords.h"
#include "station/StationTexts.h"

namespace StationLines {
namespace {

constexpr int kSerialWidth = 16;  // the longest serial number FTDI's bridges carry
constexpr int kShaShown = 16;     // hex digits: enough to tell two images apart at a glance

}  // namespace

int Columns(const QString& text) {
    int columns = 0;
    for (const char32_t character : text.toUcs4()) {
        const int width = ::wcwidth(wchar_t(character));
        columns += width < 0 ? 1 : width;
    }
    return columns;
}

QString StateWord(SlotState state) {
    return WordsFor(state, false).terminal;
}

SlotLine Slot(const SlotView& slot, int nameWidth, bool stopping) {
    SlotLine line;
    // A serial number is the device's text, which must not steer the terminal.
    line.lead = slot.name + QString(qMax(nameWidth - Columns(slot.name), 0), ' ') +
                QStringLiteral("  ") + EscapedDeviceText(slot.serial).leftJustified(kSerialWidth) +
                QStringLiteral("  ");
    const SlotWords words = WordsFor(slot.state, stopping);
    line.state = words.terminal;
    line.rest = words.terminalRest;
    const QString awaiting = Awaiting(slot);
    switch (slot.state) {
        case SlotState::Starting:
            line.tone = Tone::Running;
            if (!awaiting.isEmpty()) line.rest = QStringLiteral("  ") + awaiting;
            break;
        case SlotState::Flashing:
            line.tone = Tone::Running;
            line.rest =
                ' ' + (awaiting.isEmpty() ? HowFar(slot)
                                          : QStringLiteral("%1 %, ").arg(slot.percent) + awaiting);
            break;
        case SlotState::Pass:
            line.tone = Tone::Pass;
            break;
        case SlotState::Fail:
            line.tone = Tone::Fail;
            line.rest =
                QStringLiteral("  ") + FailureAdvice(slot.hint) +
                (slot.hint.isEmpty() ? slot.detail : QStringLiteral(" (%1)").arg(slot.detail));
            break;
        default:
            break;
    }
    return line;
}

QStringList Header(const ImageSummary& image) {
    // Paths are the operator's text, which must not steer the terminal either.
    return {QStringLiteral("%1  key %2  SHA-256 %3  %4 records")
                .arg(EscapedDeviceText(image.fileName), image.key, image.sha256.left(kShaShown),
                     QString::number(image.records)),
            StationTexts::DriverUsed(image.driver) + QStringLiteral("  ") +
                StationTexts::RecordsTo(EscapedDeviceText(image.recordFile))};
}

QString Summary(const Totals& totals) {
    return QStringLiteral("passed %1, failed %2%3, in progress %4, %5 in the last hour, %6")
        .arg(totals.passed)
        .arg(totals.failed)
        .arg(totals.yieldPercent ? QStringLiteral(", yield %1 %").arg(*totals.yieldPercent)
                                 : QString())
        .arg(totals.running)
        .arg(totals.lastHour)
        .arg(StationTexts::Elapsed(totals.elapsedMs));
}

QString WaitingForUnits() {
    return QStringLiteral("waiting for units");
}

QString LinkUp() {
    return QStringLiteral("line link up, every record sent");
}

QString LineStopped(const QString& reason) {
    return StationTexts::LineStopped(EscapedDeviceText(reason));
}

QString StillRunning(int running) {
    return QStringLiteral("stopping: %1 upgrade%2 still running; Ctrl-C again interrupts %3")
        .arg(running)
        .arg(running == 1 ? "" : "s")
        .arg(running == 1 ? "it" : "them");
}

}  // namespace StationLines
