#pragma once

// Output for a program: one JSON object a line on stdout and nothing else there. The fields are
// an interface (README.md): once released, none changes meaning.

#include <QJsonObject>

#include "cli/Reporter.h"

class JsonReporter : public Reporter {
  public:
    // The closing event's fields, but `event`; the upgrade's record is built from them too.
    static QJsonObject EndFields(const UpgradeSummary& summary);

    void start(const QString& serial, const QString& imagePath, const QString& attempt) override;
    void logLine(const QString& text) override;
    void message(const QString& text, MessageIcon icon) override;
    void progress(const Progress& progress) override;
    void note(const QString& text) override;
    void finish(const UpgradeSummary& summary) override;

  private:
    static void emitEvent(const QString& event, QJsonObject fields);
};
