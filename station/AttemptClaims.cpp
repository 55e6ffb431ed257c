#include "station/AttemptClaims.h"

#include <algorithm>

#include "station/AttemptLine.h"

void AttemptClaims::expect(const QString& serial) {
    m_expected.append({serial, {}});
}

void AttemptClaims::name(const QString& serial, const QString& attempt) {
    for (Expected& expected : m_expected) {
        if (expected.serial == serial && expected.attempt.isEmpty()) {
            expected.attempt = attempt;
            return;
        }
    }
}

// An upgrade writes its started line before the station may have read the attempt it names, so
// an upgrade not yet named wants the lines of its serial.
bool AttemptClaims::wanted(const QJsonObject& line) const {
    const QString attempt = AttemptLine::Attempt(line);
    return !attempt.isEmpty() &&
           std::any_of(m_expected.begin(), m_expected.end(), [&](const Expected& expected) {
               return expected.attempt.isEmpty() ? expected.serial == AttemptLine::Serial(line)
                                                 : expected.attempt == attempt;
           });
}

void AttemptClaims::offer(const QJsonObject& line) {
    if (!wanted(line)) return;
    (AttemptLine::IsStarted(line) ? m_started : m_closing).insert(AttemptLine::Attempt(line), line);
}

AttemptClaims::Lines AttemptClaims::claim(const QString& serial, const QString& attempt) {
    m_expected.removeIf([&](const Expected& expected) {
        return expected.serial == serial && expected.attempt == attempt;
    });
    const Lines lines{m_started.take(attempt), m_closing.take(attempt)};
    // Lines held for this serial before the upgrade named its attempt are no one's now.
    for (QHash<QString, QJsonObject>* held : {&m_started, &m_closing}) {
        held->removeIf([this](const QHash<QString, QJsonObject>::iterator& entry) {
            return !wanted(entry.value());
        });
    }
    return lines;
}
