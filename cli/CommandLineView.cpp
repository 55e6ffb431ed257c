#include "cli/CommandLineView.h"

#include "link/ReceiveNotification.h"

namespace {

constexpr qint64 kProgressIntervalMs = 100;
// A line that began in the byte that failed arrives whole long before this.
constexpr int kRestOfReplyMs = 100;

}  // namespace

void CommandLineView::showMessage(const QString& text, MessageIcon icon) {
    // The box reports the outcome; the procedure empties the bar after it, which is no progress.
    m_reporting = true;
    m_failed = icon == MessageIcon::Warning;
    m_reporter.message(NativePath::Displayed(text), icon);
}

void CommandLineView::setProgressMaximum(int maximum) {
    m_total = maximum;
    m_trace.startRecords(maximum);
    m_transfer.start();
    m_sinceShown.invalidate();
}

// The value is the index of the record just acknowledged.
void CommandLineView::setProgressValue(int value) {
    if (m_reporting || (m_sinceShown.isValid() && m_sinceShown.elapsed() < kProgressIntervalMs)) {
        return;
    }
    m_sinceShown.start();
    const int done = value + 1;
    const double seconds = qMax<qint64>(m_transfer.elapsed(), 1) / 1000.0;
    const double rate = done / seconds;
    m_reporter.progress({done, m_total, done * 100 / m_total, rate, (m_total - done) / rate});
}

void CommandLineView::deviceOpened() {
    if (m_fastLink != nullptr) {
        if (const std::optional<QString> note = m_fastLink->engage()) m_reporter.note(*note);
    }
    // Without a window to keep live, the reads may sleep until the library signals a reply.
    FTDI::ArmReceiveNotification();
}

void CommandLineView::deviceClosing() {
    if (m_failed) {
        m_restOfReply = FTDI::ReadLineWithin(kRestOfReplyMs);
    }
    if (m_fastLink != nullptr) {
        if (const std::optional<QString> note = m_fastLink->restore()) m_reporter.note(*note);
    }
}
