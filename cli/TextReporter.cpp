#include "cli/TextReporter.h"

#include <QtMath>

#include "cli/CommandLine.h"
#include "operations/CountText.h"
#include "operations/FailureDetail.h"
#include "operations/UpgradeProcedure.h"
#include "support/Terminal.h"

namespace {

// Back to the start of the line and clear it.
const QString kEraseLine = QStringLiteral("\r\033[K");

QString progressLine(const Progress& progress) {
    return QStringLiteral("records %1 / %2  %3%  %4 records/s  %5 s left")
        .arg(CountText(progress.done), CountText(progress.total))
        .arg(progress.percent)
        .arg(CountText(qRound(progress.recordsPerSecond)))
        .arg(CountText(qCeil(progress.secondsLeft)));
}

QString received(const Exchange& exchange) {
    using FTDI::ReadOutcome;
    switch (exchange.outcome) {
        case ReadOutcome::Ok:
            break;
        case ReadOutcome::NoReply:
            return exchange.text.isEmpty()
                       ? QStringLiteral("no reply")
                       : QStringLiteral("no reply, %1 so far").arg(QuotedDeviceText(exchange.text));
        case ReadOutcome::DeviceError:
            return QStringLiteral("the device vanished");
        case ReadOutcome::LineTooLong:
            return QStringLiteral("%1 characters without a line feed").arg(exchange.text.size());
        case ReadOutcome::Interrupted:
            return QStringLiteral("interrupted");
    }
    if (!exchange.byte) {
        return QuotedDeviceText(exchange.text);
    }
    if (exchange.record > 0) {
        return QStringLiteral("record %1: %2").arg(exchange.record).arg(*exchange.byte);
    }
    return QStringLiteral("%1 %2")
        .arg(*exchange.byte)
        .arg(QuotedDeviceText(QString(QChar(*exchange.byte))));
}

QString successLine(const UpgradeSummary& summary) {
    return QStringLiteral("upgraded %1: %2 records in %3, image SHA-256 %4")
        .arg(summary.serial, CountText(summary.report.records), SecondsText(summary.durationMs),
             summary.report.imageSha256().left(12));
}

QString exchangeLine(const Exchange& exchange) {
    const QString time = QStringLiteral("[%1]").arg(exchange.timeMs / 1000.0, 8, 'f', 3);
    if (!exchange.sent) {
        return time + QStringLiteral(" < ") + received(exchange);
    }
    return time + QStringLiteral(" > ") +
           (exchange.record > 0 ? QStringLiteral("record %1").arg(exchange.record)
                                : QuotedDeviceText(exchange.text));
}

}  // namespace

std::optional<ProgramOutput::Stream> TextReporter::StatusStream(bool stdoutTerminal,
                                                                bool stderrTerminal, bool quiet) {
    if (stdoutTerminal) return ProgramOutput::Stream::Out;
    if (stderrTerminal && !quiet) return ProgramOutput::Stream::Err;
    return std::nullopt;
}

TextReporter::TextReporter()
    : m_statusStream(StatusStream(StdoutTerminal().isTerminal, StderrTerminal().isTerminal,
                                  CommandLine::Quiet())) {}

void TextReporter::logLine(const QString& text) {
    clearStatus();
    if (m_failed) {
        return;
    }
    if (text == m_box) {
        m_box.clear();
    }
    sayBox();
    CommandLine::Out(text);
}

void TextReporter::message(const QString& text, MessageIcon icon) {
    sayBox();
    m_outcomeSaid = true;
    m_failed = icon == MessageIcon::Warning;
    if (!m_failed) {
        m_box = text;
    }
}

void TextReporter::progress(const Progress& progress) {
    showStatus(progressLine(progress));
}

void TextReporter::waiting(const QString& awaited, int seconds) {
    if (seconds == 0) {
        clearStatus();
    } else {
        showStatus(QStringLiteral("waiting for %1: %2 s (gives up after %3 s)")
                       .arg(awaited)
                       .arg(seconds)
                       .arg(UpgradeProcedure::ReplyDeadlineMs / 1000));
    }
}

void TextReporter::exchange(const Exchange& exchange) {
    clearStatus();
    CommandLine::Trace(exchangeLine(exchange));
}

void TextReporter::note(const QString& text) {
    if (m_outcomeSaid) {
        m_lateNotes << text;
        return;
    }
    clearStatus();
    CommandLine::Note(text);
}

void TextReporter::finish(const UpgradeSummary& summary) {
    clearStatus();
    sayBox();
    if (!summary.detail.isEmpty()) {
        CommandLine::Err(summary.detail);
    }
    if (!summary.hint.isEmpty()) {
        CommandLine::Hint(summary.hint);
    }
    for (const QString& note : std::as_const(m_lateNotes)) {
        CommandLine::Note(note);
    }
    m_lateNotes.clear();
    if (summary.exit == ExitCode::Success) {
        CommandLine::Note(successLine(summary));
    }
}

void TextReporter::showStatus(const QString& line) {
    if (!m_statusStream) {
        return;
    }
    ProgramOutput::Write(*m_statusStream, kEraseLine + line);
    m_statusShown = true;
}

void TextReporter::clearStatus() {
    if (m_statusShown) {
        ProgramOutput::Write(*m_statusStream, kEraseLine);
        m_statusShown = false;
    }
}

void TextReporter::sayBox() {
    if (!m_box.isEmpty()) {
        CommandLine::Out(m_box);
        m_box.clear();
    }
}
