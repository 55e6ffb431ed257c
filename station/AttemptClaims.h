#pragma once

// The attempt lines read back from the record file that the station's own running upgrades will
// claim once they end. Other stations share the file, and a line of theirs is passed over as it
// is read: what is held grows with the units this station is flashing, never with the file.

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

class AttemptClaims {
  public:
    // An upgrade of the station on `serial` began; its attempt is not known yet.
    void expect(const QString& serial);
    // The upgrade on `serial` named its attempt.
    void name(const QString& serial, const QString& attempt);
    // A line read back: held only while an expected upgrade may claim it.
    void offer(const QJsonObject& line);

    struct Lines {
        QJsonObject started;
        QJsonObject closing;
    };
    // The lines of the upgrade on `serial`, as found; it is expected no more.
    Lines claim(const QString& serial, const QString& attempt);

    qsizetype held() const { return m_started.size() + m_closing.size(); }

  private:
    struct Expected {
        QString serial;
        QString attempt;  // "" until named
    };
    bool wanted(const QJsonObject& line) const;

    QList<Expected> m_expected;
    QHash<QString, QJsonObject> m_started;  // by attempt
    QHash<QString, QJsonObject> m_closing;
};
