#include "cli/UpgradeRecord.h"

bool UpgradeRecord::open(const QString& path, const QString& serial,
                         const AttemptRecord::Place& place) {
    m_path = path;
    m_serial = serial;
    m_place = place;
    if (!m_file.open(path)) {
        m_error = m_file.errorString();
        return false;
    }
    m_file.readNew({}, serial);
    m_earlier = m_file.attemptsOn(serial);
    m_attempt = AttemptRecord::NewAttempt();
    return true;
}

bool UpgradeRecord::start(const QString& name, const UpgradeReport& report) {
    const QJsonObject started =
        AttemptRecord::Started(m_attempt, m_serial, name, report, m_earlier, m_place);
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

bool UpgradeRecord::close(const QJsonObject& endFields) {
    if (!m_file.append(AttemptRecord::Closing(m_started, endFields))) {
        m_error = QStringLiteral("the end of the attempt could not be recorded in %1 (%2)")
                      .arg(m_path, m_file.errorString());
        return false;
    }
    return true;
}
