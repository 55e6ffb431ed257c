// Starts and ends Debian's mosquitto and mosquitto_sub for a test.

#include "tests/common/Mosquitto.h"

#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QUuid>

#include "tests/common/WriteFile.h"

namespace {

// Generous: the machine may be busy.
constexpr int kStartMs = 30000;

// A port that was free a moment ago; mosquitto says so when it is not any more.
int freePort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(socket);
    return port;
}

// Debian installs the broker in /usr/sbin, which an ordinary user's PATH may lack.
QString program(const QString& name) {
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/usr/local/sbin"})
                           : found;
}

void end(QProcess& process, int signal) {
    if (process.state() == QProcess::NotRunning) return;
    ::kill(pid_t(process.processId()), signal);
    process.waitForFinished(kStartMs);
}

// A client's options: the broker, QoS 1 and the login, if any.
QStringList clientArgs(const Mosquitto& broker, const QString& login) {
    QStringList args{"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-q", "1"};
    if (!login.isEmpty()) args << "-u" << login.section(':', 0, 0) << "-P" << login.section(':', 1);
    return args;
}

}  // namespace

Mosquitto::Mosquitto(const QString& login) : m_login(login) {
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
}

Mosquitto::~Mosquitto() {
    end(m_process, SIGKILL);
}

QString Mosquitto::credentialsFile(const QString& login, int mode) const {
    const QString path = m_folder.filePath(QUuid::createUuid().toString(QUuid::Id128));
    WriteFile(path, login.toUtf8() + '\n');
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
    return path;
}

bool Mosquitto::start() {
    const QString passwords = m_folder.filePath("passwords");
    if (!m_login.isEmpty() && !QFile::exists(passwords) &&
        QProcess::execute(
            program("mosquitto_passwd"),
            {"-b", "-c", passwords, m_login.section(':', 0, 0), m_login.section(':', 1)}) != 0)
        return false;
    // As a line PC's broker is set up (README.md): a consumer that falls behind loses nothing.
    // Its log goes to a file, read for the line that says it listens: a pipe nobody read
    // would stop it once full.
    QFile log(m_folder.filePath("mosquitto.log"));
    QByteArray config =
        " 127.0.0.1\npersistence true\nmax_queued_messages 0\npersistence_location " +
        QFile::encodeName(m_folder.path()) + "/\nlog_dest file " +
        QFile::encodeName(log.fileName()) + '\n';
    config += m_login.isEmpty()
                  ? QByteArray("allow_anonymous true\n")
                  : "allow_anonymous false\npassword_file " + QFile::encodeName(passwords) + '\n';
    // As root, mosquitto would give up root for a user that cannot read this folder.
    if (const passwd* user = ::getpwuid(::geteuid()))
        config += QByteArray("user ") + user->pw_name + '\n';
    for (int tries = 0; tries < 5; ++tries) {
        if (m_port == 0 || tries > 0) m_port = freePort();
        if (!WriteFile(m_folder.filePath("mosquitto.conf"),
                       "listener " + QByteArray::number(m_port) + config))
            return false;
        log.remove();
        m_process.start(program("mosquitto"), {"-c", m_folder.filePath("mosquitto.conf")});
        if (!m_process.waitForStarted(kStartMs)) return false;
        const bool listening = WaitUntil(
            [&] {
                log.close();
                return m_process.waitForFinished(0) || m_process.state() != QProcess::Running ||
                       (log.open(QIODevice::ReadOnly) && log.readAll().contains(" running"));
            },
            kStartMs);
        if (listening && m_process.state() == QProcess::Running) return true;
        end(m_process, SIGKILL);
    }
    return false;
}

void Mosquitto::stop() {
    end(m_process, SIGTERM);
}

void Mosquitto::pause() {
    ::kill(pid_t(m_process.processId()), SIGSTOP);
}

void Mosquitto::resume() {
    ::kill(pid_t(m_process.processId()), SIGCONT);
}

Subscriber::Subscriber(const Mosquitto& broker, const QString& filter, const QString& login)
    : m_broker(broker),
      m_login(login),
      m_probe("tarvellon-test/" + QUuid::createUuid().toString(QUuid::Id128)) {
    m_process.start(program("mosquitto_sub"),
                    clientArgs(broker, login) + QStringList{"-c", "-i", m_probe.mid(15), "-v", "-t",
                                                            filter, "-t", m_probe});
}

Subscriber::~Subscriber() {
    end(m_process, SIGKILL);
}

bool Subscriber::ready() {
    const QStringList args =
        clientArgs(m_broker, m_login) + QStringList{"-t", m_probe, "-m", "probe"};
    // Again and again: until the subscription stands, the broker drops what is sent.
    QElapsedTimer sinceProbe;
    return WaitUntil(
        [&] {
            if (!sinceProbe.isValid() || sinceProbe.elapsed() > 200) {
                QProcess::execute(program("mosquitto_pub"), args);
                sinceProbe.start();
            }
            messages();
            return m_probed;
        },
        kStartMs);
}

QList<MqttMessage> Subscriber::messages() {
    while (m_process.waitForReadyRead(0)) {
    }
    while (m_process.canReadLine()) {
        const QByteArray line = m_process.readLine().chopped(1);
        const qsizetype space = line.indexOf(' ');
        const QString topic = QString::fromUtf8(line.left(space));
        if (topic == m_probe) {
            m_probed = true;
        } else {
            m_messages.append({topic, line.mid(space + 1)});
        }
    }
    return m_messages;
}

bool Subscriber::waitFor(const std::function<bool(const QList<MqttMessage>&)>& done, int ms) {
    return WaitUntil([&] { return done(messages()); }, ms);
}
