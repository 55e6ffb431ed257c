#pragma once

// The upgrade's own lines of its attempt in the record file (--record FILE). The started line is
// written before the device is opened, and a unit whose attempt cannot be recorded is never
// touched; the closing line follows once the device is closed again. Written by the process that
// flashes the unit, so a station that dies meanwhile loses nothing.

#include <QJsonObject>
#include <QString>

#include "operations/UpgradeReport.h"
#include "station/AttemptLine.h"
#include "station/RecordFile.h"

class AttemptWriter {
  public:
    // Opens the file and counts the attempts on `serial` it holds; `place` is the station's slot
    // for the unit, if any. False: error() says why.
    bool open(const QString& path, const QString& serial, const AttemptLine::Place& place);
    const QString& attempt() const { return m_attempt; }
    QString error() const { return m_error; }

    // The started line, for the image `name` as checked. False: error() says why.
    bool start(const QString& name, const UpgradeReport& report);
    bool started() const { return !m_started.isEmpty(); }
    // The closing line, from the closing event's fields. False: error() says why.
    bool close(const QJsonObject& endFields);

  private:
    RecordFile m_file;
    QString m_path;
    QString m_serial;
    AttemptLine::Place m_place;
    QString m_attempt;
    int m_earlier = 0;
    QJsonObject m_started;
    QString m_error;
};
