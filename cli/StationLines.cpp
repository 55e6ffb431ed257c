#include "cli/StationLines.h"

#include "operations/FailureDetail.h"
#include "station/SlotWords.h"
#include "station/StationTexts.h"

namespace StationLines {
namespace {

constexpr int kSerialWidth = 16;  // the longest serial number FTDI's bridges carry
constexpr int kShaShown = 16;     // hex digits: enough to tell two images apart at a glance

}  // namespace

QString StateWord(SlotState state) {
    return WordsFor(state, false).terminal;
}

SlotLine Slot(const SlotView& slot, int nameWidth, bool stopping) {
    SlotLine line;
    // A serial number is the device's text, which must not steer the terminal.
    line.lead = slot.name.leftJustified(nameWidth) + QStringLiteral("  ") +
                EscapedDeviceText(slot.serial).leftJustified(kSerialWidth) + QStringLiteral("  ");
    const SlotWords words = WordsFor(slot.state, stopping);
    line.state = words.terminal;
    line.rest = words.terminalRest;
    switch (slot.state) {
        case SlotState::Starting:
            line.tone = Tone::Running;
            break;
        case SlotState::Flashing:
            line.tone = Tone::Running;
            line.rest = ' ' + HowFar(slot);
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

QString Header(const ImageSummary& image) {
    return QStringLiteral("%1  key %2  SHA-256 %3  %4 records")
        .arg(image.fileName, image.key, image.sha256.left(kShaShown),
             QString::number(image.records));
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
