#pragma once

// The line's broker for a test: Debian's mosquitto on a free loopback port, its configuration,
// password file and saved sessions in a folder of the test's own, ended with the test. And a
// subscriber that is not this program's code (Debian's mosquitto_sub), which records every
// message as a traceability system would get it: QoS 1, in a session the broker keeps across its
// restarts.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>

#include "tests/common/WaitUntil.h"

class Mosquitto {
  public:
    // With `login` ("user:password") the broker takes that login only; without, anyone.
    explicit Mosquitto(const QString& login = {});
    ~Mosquitto();

    // Starts it on a free port the first time, on the same port after; true once it listens.
    bool start();
    // SIGTERM: it saves its sessions and ends, as a broker restarted on purpose does.
    void stop();
    // SIGSTOP and SIGCONT: a broker that has its connections and answers nothing.
    void pause();
    void resume();

    int port() const { return m_port; }
    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(m_port); }
    // A credentials file holding `login`, with file mode `mode`.
    QString credentialsFile(const QString& login, int mode = 0600) const;

  private:
    QTemporaryDir m_folder;
    QString m_login;
    QProcess m_process;
    int m_port = 0;
};

struct MqttMessage {
    QString topic;
    QByteArray payload;
};

class Subscriber {
  public:
    Subscriber(const Mosquitto& broker, const QString& filter, const QString& login = {});
    ~Subscriber();

    // Subscribed: a message it was sent came back. False when it never did.
    bool ready();
    // What came, in order, without the probe.
    QList<MqttMessage> messages();
    // Waits until `done` holds for what came, `ms` at most.
    bool waitFor(const std::function<bool(const QList<MqttMessage>&)>& done, int ms);

  private:
    const Mosquitto& m_broker;
    QString m_login;
    QString m_probe;
    QProcess m_process;
    QList<MqttMessage> m_messages;
    bool m_probed = false;
};
