#pragma once

// Output for a person: the window's lines on stdout, the command line's own notes on stderr, and
// on a terminal one progress line redrawn in place. Anywhere else no redraw and no escape codes,
// so a log file holds the window's lines and nothing else.

#include "cli/Reporter.h"

class TextReporter : public Reporter {
  public:
    TextReporter();

    void start(const QString&, const QString&, const QString&) override {}
    void logLine(const QString& text) override;
    void message(const QString& text, MessageIcon) override { logLine(text); }
    void progress(const Progress& progress) override;
    void note(const QString& text) override;
    void finish(const UpgradeSummary& summary) override;

  private:
    void clearProgress();

    bool m_terminal = false;
    bool m_progressShown = false;
};
