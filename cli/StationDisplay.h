#pragma once

// What the operator at the fixture sees. On a terminal: one line per slot and a summary, redrawn
// in place. Elsewhere (a log file, a pipe): one plain line per event and nothing redrawn. With
// --json: the unit records alone on stdout, for a program.

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <memory>

class StationDisplay {
  public:
    virtual ~StationDisplay() = default;

    static std::unique_ptr<StationDisplay> ForStdout(bool json);

    // A slot's line after its state changed: "SERIAL  STATE".
    virtual void changed(const QString& slotLine) { (void)slotLine; }
    // Every slot's line and the summary (one line or more), at most ten times a second.
    virtual void redraw(const QStringList& slotLines, const QString& summary) {
        (void)slotLines;
        (void)summary;
    }
    virtual void recorded(const QJsonObject& record) { (void)record; }
    virtual void finish(const QStringList& slotLines, const QString& summary) = 0;
};
