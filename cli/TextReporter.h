#pragma once

// Output for a person: the window's lines on stdout, each thing said once, the command line's own
// lines on stderr, and on a terminal one status line redrawn in place (the progress, or the reply
// that is slow in coming). Anywhere else no redraw and no escape codes, so a log file holds the
// window's lines and nothing else. A failure ends with its detail and hint alone: the window's box
// and closing words name it only in general terms, and their "Please try again." may be the wrong
// advice. A success ends with one line that names the unit, the records, the time and the image.

#include <QStringList>
#include <optional>

#include "cli/Reporter.h"
#include "support/ProgramOutput.h"

class TextReporter : public Reporter {
  public:
    // The status line goes to the stream that is a terminal, stdout first, so that it never mixes
    // into a pipe or a file; on stderr only when -q leaves room for more than failures there.
    static std::optional<ProgramOutput::Stream> StatusStream(bool stdoutTerminal,
                                                             bool stderrTerminal, bool quiet);

    // As StatusStream chooses for this process.
    TextReporter();
    explicit TextReporter(std::optional<ProgramOutput::Stream> statusStream)
        : m_statusStream(statusStream) {}

    void start(const QString&, const QString&, const QString&) override {}
    void logLine(const QString& text) override;
    void message(const QString& text, MessageIcon icon) override;
    void progress(const Progress& progress) override;
    void waiting(const QString& awaited, int seconds) override;
    void exchange(const Exchange& exchange) override;
    void note(const QString& text) override;
    // The failure's detail, then its hint, then the notes that came after the outcome; after a
    // success those notes, then the line that sums it up.
    void finish(const UpgradeSummary& summary) override;

  private:
    void showStatus(const QString& line);
    void clearStatus();
    void sayBox();

    std::optional<ProgramOutput::Stream> m_statusStream;
    bool m_statusShown = false;
    // A box text not yet said: the log line after it usually says the same.
    QString m_box;
    bool m_outcomeSaid = false;
    // A failure's box came: the window's words after it give way to the detail and hint.
    bool m_failed = false;
    QStringList m_lateNotes;
};
