#include "cli/TextReporter.h"

#include <unistd.h>

#include <QLocale>
#include <QtMath>

#include "cli/CommandLine.h"

namespace {

// Back to the start of the line and clear it.
const QString kEraseLine = QStringLiteral("\r\033[K");

QString progressLine(const Progress& progress) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("records %1 / %2  %3%  %4 records/s  %5 s left")
        .arg(english.toString(progress.done), english.toString(progress.total))
        .arg(progress.percent)
        .arg(english.toString(qRound(progress.recordsPerSecond)))
        .arg(english.toString(qCeil(progress.secondsLeft)));
}

}  // namespace

TextReporter::TextReporter() : m_terminal(isatty(STDOUT_FILENO) == 1) {}

void TextReporter::logLine(const QString& text) {
    clearProgress();
    CommandLine::Out(text);
}

void TextReporter::progress(const Progress& progress) {
    if (!m_terminal) {
        return;
    }
    CommandLine::Out(kEraseLine + progressLine(progress), false);
    m_progressShown = true;
}

void TextReporter::note(const QString& text) {
    clearProgress();
    CommandLine::Err(text);
}

void TextReporter::finish(const UpgradeSummary& summary) {
    if (!summary.detail.isEmpty()) {
        note(summary.detail);
    }
}

void TextReporter::clearProgress() {
    if (m_progressShown) {
        CommandLine::Out(kEraseLine, false);
        m_progressShown = false;
    }
}
