#include "line/LinePublisher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSysInfo>

#include "line/Topics.h"

namespace {

// Lines sent and not yet acknowledged, at most: a backlog of a week is read a window at a time.
constexpr int kWindow = 64;
constexpr int kStatusEveryMs = 250;
// Unchanged, the status still goes once a minute: its time says the station is alive, and its
// last hour moves on.
constexpr int kHeartbeatMs = 60000;
// Acknowledgements come in bursts; the cursor follows them at most this often.
constexpr int kCursorEveryMs = 200;
constexpr int kSchemaVersion = 1;

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString now() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

// What the broker keeps on the online topic: the will carries no time, since it is written at the
// connect and sent at the death.
QByteArray onlineMessage(bool online, bool timed) {
    QJsonObject message{{"schema_version", kSchemaVersion}, {"online", online}};
    if (timed) message.insert("time", now());
    return compact(message);
}

MqttSettings settingsFor(const LinkOptions& options) {
    return {options.broker, options.caFile, options.credentials,
            Topics::Online(options.line, options.station), onlineMessage(false, false)};
}

}  // namespace

LinePublisher::LinePublisher(const LinkOptions& options, const QString& recordPath, QObject* parent)
    : QObject(parent),
      m_options(options),
      m_recordPath(recordPath),
      m_client(settingsFor(options)),
      m_outbox(recordPath, options.station) {
    m_statusDue.setSingleShot(true);
    connect(&m_statusDue, &QTimer::timeout, this, [this] { sendStatus(false); });
    connect(&m_heartbeat, &QTimer::timeout, this, [this] { sendStatus(true); });
    m_cursorDue.setSingleShot(true);
    m_cursorDue.setInterval(kCursorEveryMs);
    connect(&m_cursorDue, &QTimer::timeout, this, [this] { m_outbox.saveCursor(); });
    connect(&m_client, &MqttClient::connected, this, &LinePublisher::connected);
    connect(&m_client, &MqttClient::disconnected, this, &LinePublisher::disconnected);
    connect(&m_client, &MqttClient::delivered, this, &LinePublisher::delivered);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &LinePublisher::recordFileChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &LinePublisher::recordFileChanged);
}

std::optional<QString> LinePublisher::start() {
    if (std::optional<QString> failure = m_outbox.open()) return failure;
    m_watcher.addPath(m_recordPath);
    m_client.open();
    updateLink();
    return std::nullopt;
}

void LinePublisher::recordFileChanged() {
    // A file renamed away leaves the watch; its folder stands in until the station has made the
    // one that now goes by the name.
    if (m_watcher.files().isEmpty()) {
        if (m_watcher.addPath(m_recordPath)) {
            m_watcher.removePath(QFileInfo(m_recordPath).path());
        } else {
            m_watcher.addPath(QFileInfo(m_recordPath).path());
        }
    }
    m_outbox.readNew(m_upgradesRunning == 0);
    sendLines();
    statusChanged();
    updateLink();
}

void LinePublisher::setUpgradesRunning(int count) {
    const bool lastEnded = m_upgradesRunning > 0 && count == 0;
    m_upgradesRunning = count;
    if (lastEnded) recordFileChanged();
}

void LinePublisher::setStatus(const QJsonObject& body) {
    m_body = body;
    statusChanged();
}

void LinePublisher::finish(int ms) {
    if (!m_watcher.files().isEmpty()) m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty()) m_watcher.removePaths(m_watcher.directories());
    // The last units' lines may have come after the watcher last said so.
    m_outbox.readNew(m_upgradesRunning == 0);
    if (m_client.isConnected()) {
        sendLines();
        sendStatus(false);
        m_goodbye = m_client.publish(Topics::Online(m_options.line, m_options.station),
                                     onlineMessage(false, true), true);
        // Once the lines are through, the status the broker keeps says none waits.
        std::optional<int> lastStatus;
        bool drained = false, done = false;
        QEventLoop waiting;
        const auto next = [&] {
            if (!drained && m_inFlight.isEmpty()) {
                drained = true;
                lastStatus = sendStatus(false);
            }
            if (drained && !m_goodbye && !lastStatus && !done) {
                done = true;
                waiting.quit();
            }
        };
        connect(&m_client, &MqttClient::delivered, &waiting, [&](int id) {
            if (lastStatus == id) lastStatus.reset();
            next();
        });
        connect(&m_client, &MqttClient::disconnected, &waiting, [&] {
            done = true;
            waiting.quit();
        });
        QTimer::singleShot(ms, &waiting, [&] {
            done = true;
            waiting.quit();
        });
        next();
        if (!done) waiting.exec();
    }
    m_outbox.saveCursor();
    m_client.close();
}

void LinePublisher::connected() {
    m_client.publish(Topics::Online(m_options.line, m_options.station), onlineMessage(true, true),
                     true);
    m_reason.clear();
    sendStatus(true);
    sendLines();
    updateLink();
}

void LinePublisher::disconnected(const QString& reason) {
    m_inFlight.clear();
    m_outbox.resend();
    m_statusDue.stop();
    m_heartbeat.stop();
    m_reason = reason;
    if (!m_downSince.isValid()) m_downSince = QDateTime::currentDateTime();
    updateLink();
}

void LinePublisher::delivered(int id) {
    if (m_goodbye == id) m_goodbye.reset();
    const auto line = m_inFlight.constFind(id);
    if (line == m_inFlight.cend()) return;
    m_outbox.acknowledged(*line);
    m_inFlight.erase(line);
    // The last line of a file renamed away lets the outbox go on with the new one.
    if (m_outbox.waiting() == 0) m_outbox.readNew(m_upgradesRunning == 0);
    if (!m_cursorDue.isActive()) m_cursorDue.start();
    sendLines();
    statusChanged();
    updateLink();
}

void LinePublisher::sendLines() {
    if (!m_client.isConnected()) return;
    const QString topic = Topics::Attempts(m_options.line, m_options.station);
    for (const Outbox::Line& line : m_outbox.next(kWindow - int(m_inFlight.size()))) {
        const std::optional<int> id = m_client.publish(topic, line.bytes, false);
        // A publish that fails drops the link, and everything goes again after the reconnect.
        if (!id) return;
        m_inFlight.insert(*id, line.end);
    }
}

void LinePublisher::statusChanged() {
    if (!m_client.isConnected() || m_statusDue.isActive()) return;
    const qint64 since = m_sinceStatus.isValid() ? m_sinceStatus.elapsed() : kStatusEveryMs;
    m_statusDue.start(int(std::max<qint64>(0, kStatusEveryMs - since)));
}

std::optional<int> LinePublisher::sendStatus(bool always) {
    QJsonObject status = m_body;
    status.insert("schema_version", kSchemaVersion);
    status.insert("line", m_options.line);
    status.insert("station", m_options.station);
    status.insert("host", QSysInfo::machineHostName());
    status.insert("program_version", QCoreApplication::applicationVersion());
    status.insert("backlog", m_outbox.waiting());
    if (status == m_sent && !always) return std::nullopt;
    m_sent = status;
    status.insert("time", now());
    const std::optional<int> id =
        m_client.publish(Topics::Status(m_options.line, m_options.station), compact(status), true);
    m_sinceStatus.start();
    m_heartbeat.start(kHeartbeatMs);
    return id;
}

void LinePublisher::updateLink() {
    LinkState link;
    link.connected = m_client.isConnected();
    link.waiting = m_outbox.waiting();
    // Said from the moment the link went down until the backlog it left has gone through.
    if (link.connected && link.waiting == 0) m_downSince = {};
    link.downSince = m_downSince;
    link.reason = m_reason;
    const bool changed = link.connected != m_link.connected || link.waiting != m_link.waiting ||
                         link.downSince != m_link.downSince || link.reason != m_link.reason;
    m_link = link;
    if (changed) emit linkChanged();
}
