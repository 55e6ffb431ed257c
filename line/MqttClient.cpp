#include "line/MqttClient.h"

#include <mosquitto.h>

#include <QFile>
#include <QUuid>
#include <cerrno>
#include <utility>

namespace {

constexpr int kFirstPauseMs = 500;
constexpr int kLongestPauseMs = 16000;
// No answer to the connect by then: the attempt counts as failed.
constexpr int kAttemptMs = 10000;
constexpr int kKeepAliveTickMs = 1000;

void initLibrary() {
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
}

// The broker's refusal of a connect (MQTT 3.1.1 return codes).
QString refusal(int code) {
    switch (code) {
        case 1:
            return QStringLiteral("the broker does not speak MQTT 3.1.1");
        case 2:
            return QStringLiteral("the broker refused the client's name");
        case 3:
            return QStringLiteral("the broker is unavailable");
        case 4:
            return QStringLiteral("bad user name or password");
        case 5:
            return QStringLiteral("not authorised");
    }
    return QStringLiteral("the broker refused the connection (code %1)").arg(code);
}

// The library's and the system's words as a reason in a line of this program's: "connection
// refused", not "Connection refused.".
QString asReason(QString text) {
    text = text.trimmed();
    if (text.endsWith('.')) text.chop(1);
    if (text.size() > 1 && text[1].isLower()) text[0] = text[0].toLower();
    return text;
}

}  // namespace

MqttClient::MqttClient(MqttSettings settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)) {
    initLibrary();
    m_keepAlive.setInterval(kKeepAliveTickMs);
    connect(&m_keepAlive, &QTimer::timeout, this,
            [this] { settle(mosquitto_loop_misc(m_client)); });
    m_attemptDeadline.setSingleShot(true);
    connect(&m_attemptDeadline, &QTimer::timeout, this, [this] {
        drop(QStringLiteral("no answer from %1 within %2 s")
                 .arg(m_settings.broker.text())
                 .arg(kAttemptMs / 1000));
    });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttClient::attempt);
}

MqttClient::~MqttClient() {
    release();
}

void MqttClient::open() {
    m_closed = false;
    m_pauseMs = kFirstPauseMs;
    attempt();
}

void MqttClient::close() {
    m_closed = true;
    m_retry.stop();
    if (m_client != nullptr && m_connected) {
        // The goodbye goes out behind what is queued, as far as the socket takes it now; a
        // broker that does not get it sends the will, which says the same.
        mosquitto_disconnect(m_client);
        mosquitto_loop_write(m_client, 1);
    }
    release();
}

std::optional<int> MqttClient::publish(const QString& topic, const QByteArray& payload,
                                       bool retain) {
    if (!m_connected) return std::nullopt;
    int id = 0;
    const int result = mosquitto_publish(m_client, &id, topic.toUtf8().constData(),
                                         int(payload.size()), payload.constData(), 1, retain);
    settle(result);
    return result == MOSQ_ERR_SUCCESS ? std::optional<int>(id) : std::nullopt;
}

std::optional<int> MqttClient::subscribe(const QStringList& filters) {
    if (!m_connected) return std::nullopt;
    QList<QByteArray> bytes;
    std::vector<char*> pointers;
    for (const QString& filter : filters) bytes << filter.toUtf8();
    for (QByteArray& filter : bytes) pointers.push_back(filter.data());
    int id = 0;
    const int result = mosquitto_subscribe_multiple(m_client, &id, int(pointers.size()),
                                                    pointers.data(), 0, 0, nullptr);
    settle(result);
    return result == MOSQ_ERR_SUCCESS ? std::optional<int>(id) : std::nullopt;
}

void MqttClient::attempt() {
    release();
    m_refusal.clear();
    m_lastError.clear();
    const QByteArray id =
        QStringLiteral("tarvellon-%1").arg(QUuid::createUuid().toString(QUuid::Id128)).toUtf8();
    m_client = mosquitto_new(id.constData(), true, this);
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_client, &MqttClient::onConnect);
    mosquitto_publish_callback_set(m_client, &MqttClient::onPublish);
    mosquitto_subscribe_callback_set(m_client, &MqttClient::onSubscribe);
    mosquitto_message_callback_set(m_client, &MqttClient::onMessage);
    mosquitto_log_callback_set(m_client, &MqttClient::onLog);
    if (m_settings.credentials) {
        mosquitto_username_pw_set(m_client, m_settings.credentials->user.toUtf8().constData(),
                                  m_settings.credentials->password.toUtf8().constData());
    }
    if (m_settings.broker.tls) {
        if (m_settings.caFile.isEmpty()) {
            mosquitto_int_option(m_client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        } else {
            mosquitto_tls_set(m_client, QFile::encodeName(m_settings.caFile).constData(), nullptr,
                              nullptr, nullptr, nullptr);
        }
    }
    if (!m_settings.willTopic.isEmpty()) {
        mosquitto_will_set(m_client, m_settings.willTopic.toUtf8().constData(),
                           int(m_settings.willPayload.size()), m_settings.willPayload.constData(),
                           1, true);
    }
    const int result =
        mosquitto_connect_async(m_client, m_settings.broker.host.toUtf8().constData(),
                                m_settings.broker.port, m_settings.keepAliveSeconds);
    if (result != MOSQ_ERR_SUCCESS) {
        settle(result);
        return;
    }
    watchSocket();
    m_attemptDeadline.start(kAttemptMs);
    m_keepAlive.start();
    settle(MOSQ_ERR_SUCCESS);
}

void MqttClient::watchSocket() {
    const int socket = mosquitto_socket(m_client);
    m_readable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    connect(m_readable.get(), &QSocketNotifier::activated, this,
            [this] { settle(mosquitto_loop_read(m_client, 1)); });
    m_writable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
    connect(m_writable.get(), &QSocketNotifier::activated, this,
            [this] { settle(mosquitto_loop_write(m_client, 1)); });
}

void MqttClient::settle(int result) {
    const int systemError = errno;
    for (const std::function<void()>& emitSignal : std::exchange(m_seen, {})) emitSignal();
    if (m_client == nullptr) return;
    if (result != MOSQ_ERR_SUCCESS || mosquitto_socket(m_client) < 0) {
        QString reason = m_refusal;
        if (reason.isEmpty()) reason = m_lastError;
        if (reason.isEmpty()) {
            reason = result == MOSQ_ERR_ERRNO ? qt_error_string(systemError)
                                              : QString::fromUtf8(mosquitto_strerror(result));
        }
        drop(asReason(reason));
        return;
    }
    if (m_writable) m_writable->setEnabled(mosquitto_want_write(m_client));
}

void MqttClient::drop(const QString& reason) {
    release();
    if (m_closed) return;
    m_retry.start(m_pauseMs);
    m_pauseMs = std::min(m_pauseMs * 2, kLongestPauseMs);
    emit disconnected(reason);
}

void MqttClient::release() {
    m_connected = false;
    m_keepAlive.stop();
    m_attemptDeadline.stop();
    // Before the library closes the socket, whose number the system may hand out again.
    m_readable.reset();
    m_writable.reset();
    if (m_client != nullptr) {
        mosquitto_destroy(m_client);
        m_client = nullptr;
    }
}

void MqttClient::onConnect(mosquitto*, void* self, int code) {
    auto* client = static_cast<MqttClient*>(self);
    if (code != 0) {
        // The library ends the attempt once this returns.
        client->m_refusal = refusal(code);
        return;
    }
    client->m_attemptDeadline.stop();
    client->m_connected = true;
    client->m_pauseMs = kFirstPauseMs;
    client->m_seen.push_back([client] { emit client->connected(); });
}

void MqttClient::onPublish(mosquitto*, void* self, int id) {
    auto* client = static_cast<MqttClient*>(self);
    client->m_seen.push_back([client, id] { emit client->delivered(id); });
}

void MqttClient::onSubscribe(mosquitto*, void* self, int id, int, const int*) {
    auto* client = static_cast<MqttClient*>(self);
    client->m_seen.push_back([client, id] { emit client->subscribed(id); });
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* client = static_cast<MqttClient*>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    const bool retained = message->retain;
    client->m_seen.push_back(
        [client, topic, payload, retained] { emit client->received(topic, payload, retained); });
}

void MqttClient::onLog(mosquitto*, void* self, int level, const char* text) {
    if (level == MOSQ_LOG_ERR)
        static_cast<MqttClient*>(self)->m_lastError = QString::fromUtf8(text);
}
