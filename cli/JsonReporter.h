#pragma once

// Output for a program: one JSON object a line on stdout and nothing else there. The fields are
// an interface (README.md): once released, none changes meaning.

#include <QJsonObject>

#include "cli/Reporter.h"

class JsonReporter : public Reporter {
  public:
    // Raised whenever a field changes meaning, so a program can tell what it reads.
    static constexpr int SchemaVersion = 1;
    // The closing event's fields, but `event`; the upgrade's record is built from them too.
    static QJsonObject EndFields(const UpgradeSummary& summary);

    void start(const QString& serial, const QString& imagePath, const QString& attempt) override;
    void logLine(const QString& text) override;
    void message(const QString& text, MessageIcon icon) override;
    void progress(const Progress& progress) override;
    void waiting(const QString& awaited, int seconds) override;
    void exchange(const Exchange& exchange) override;
    void note(const QString& text) override;
    void finish(const UpgradeSummary& summary) override;

    // One object on a line of its own.
    static void Print(const QJsonObject& object);
    static void EmitEvent(const QString& event, QJsonObject fields);
    static QJsonValue TextOrNull(const QString& text);
};
