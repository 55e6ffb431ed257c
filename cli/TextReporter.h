#pragma once

// Output for a person: the window's lines on stdout, each thing said once, the command line's own
// lines on stderr, and on a terminal one status line redrawn in place (the progress, or the reply
// that is slow in coming). Anywhere else no redraw and no escape codes, so a log file holds the
// window's lines and nothing else.

#include <QStringList>

#include "cli/Reporter.h"

class TextReporter : public Reporter {
  public:
    TextReporter();

    void start(const QString&, const QString&, const QString&) override {}
    void logLine(const QString& text) override;
    void message(const QString& text, MessageIcon) override;
    void progress(const Progress& progress) override;
    void waiting(const QString& awaited, int seconds) override;
    void exchange(const Exchange& exchange) override;
    void note(const QString& text) override;
    // The failure's detail, then its hint, then the notes that came after the outcome.
    void finish(const UpgradeSummary& summary) override;

  private:
    void showStatus(const QString& line);
    void clearStatus();
    void sayBox();

    bool m_terminal = false;
    bool m_statusShown = false;
    // A box text not yet said: the log line after it usually says the same.
    QString m_box;
    bool m_outcomeSaid = false;
    QStringList m_lateNotes;
};
