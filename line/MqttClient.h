#pragma once

// The line's broker, reached from the program's one thread: libmosquitto driven by the Qt event
// loop (its socket watched by socket notifiers, its keep-alive by a timer), so that no call waits
// on the network, no thread of its own runs, and its callbacks come on the loop's thread. The
// link is kept: when an attempt fails or the link drops, another follows after a pause that
// grows. Each attempt is a fresh client, so nothing a lost link had queued goes out behind the
// caller's back: after a reconnect the caller decides what is sent again, and in which order.
//
// One thing still waits: libmosquitto resolves a host name itself, so a broker given by address,
// or by a name in /etc/hosts, never holds the loop while the name servers are away.

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "line/LinkOptions.h"

struct mosquitto;
struct mosquitto_message;

struct MqttSettings {
    BrokerAddress broker;
    QString caFile;
    std::optional<Credentials> credentials;
    // The broker sends the will, retained, when the link goes without a goodbye.
    QString willTopic;  // "" for none
    QByteArray willPayload;
    // How soon each side notices a link that went silent (the broker after 1.5 times this).
    int keepAliveSeconds = 10;
};

class MqttClient : public QObject {
    Q_OBJECT
  public:
    explicit MqttClient(MqttSettings settings, QObject* parent = nullptr);
    ~MqttClient() override;

    // The first attempt, at once; the client keeps the link from then on.
    void open();
    // Says goodbye, so that the broker drops the will, and makes no further attempt.
    void close();
    bool isConnected() const { return m_connected; }

    // At QoS 1: the message's id, which delivered() names once the broker has it; none while the
    // link is down.
    std::optional<int> publish(const QString& topic, const QByteArray& payload, bool retain);
    // At QoS 0: the request's id, which subscribed() names once the broker has taken it.
    std::optional<int> subscribe(const QStringList& filters);

  signals:
    void connected();
    // An attempt failed, or the link dropped: the broker's reason, or the system's.
    void disconnected(const QString& reason);
    void delivered(int id);
    void subscribed(int id);
    // `retained`: kept by the broker from before, not sent just now.
    void received(const QString& topic, const QByteArray& payload, bool retained);

  private:
    static void onConnect(mosquitto*, void* self, int code);
    static void onPublish(mosquitto*, void* self, int id);
    static void onSubscribe(mosquitto*, void* self, int id, int, const int*);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    void attempt();
    void watchSocket();
    // After every call into the library: what its callbacks saw is passed on, now that the
    // library is off the stack and a slot may call back in; a failed call ends the attempt; the
    // socket is watched for writing while the library has bytes to write.
    void settle(int result);
    void drop(const QString& reason);
    void release();

    MqttSettings m_settings;
    mosquitto* m_client = nullptr;
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_writable;
    QTimer m_keepAlive;
    QTimer m_attemptDeadline;
    QTimer m_retry;
    int m_pauseMs = 0;
    bool m_connected = false;
    bool m_closed = true;
    QString m_refusal;                          // the broker's answer to this attempt
    QString m_lastError;                        // the library's last error line for this attempt
    std::vector<std::function<void()>> m_seen;  // signals to emit once the library returns
};
