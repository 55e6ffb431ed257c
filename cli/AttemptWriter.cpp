#include "cli/AttemptWriter.h"

bool AttemptWriter::open(const QString& path, const QString& serial,
                         const AttemptLine::Place& place) {
    m_path = path;
    m_serial = serial;
    m_place = place;
    if (!m_file.open(path)) {
        m_error = m_file.errorString();
        return false;
    }
    m_earlier = m_file.attemptsOn(serial);
    m_attempt = AttemptLine::NewAttempt();
    return true;
}

bool AttemptWriter::start(const QString& name, const UpgradeReport& report) {
    const QJsonObject started =
        AttemptLine::Started(m_attempt, m_serial, name, report, m_earlier, m_place);
    if (!m_file.append(started)) {
        m_error = QStringLiteral(
                      "the attempt could not be recorded in %1 (%2), so the unit was "
                      "not touched")
                      .arg(m_path, m_file.errorString());
        return false;
    }
    m_started = started;
    return true;
}

bool AttemptWriter::close(const QJsonObject& endFields) {
    if (!m_file.append(AttemptLine::Closing(m_started, endFields))) {
        m_error = QStringLiteral("the end of the attempt could not be recorded in %1 (%2)")
                      .arg(m_path, m_file.errorString());
        return false;
    }
    return true;
}
