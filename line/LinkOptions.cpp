#include "line/LinkOptions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QUrl>

#include "support/RegularFile.h"

namespace {

constexpr int kMqttPort = 1883;
constexpr int kMqttsPort = 8883;

const QString kPublish = QStringLiteral("publish");
const QString kBroker = QStringLiteral("broker");
const QString kCa = QStringLiteral("mqtt-ca");
const QString kCredentials = QStringLiteral("mqtt-credentials");
const QString kLine = QStringLiteral("line");
const QString kStation = QStringLiteral("station");

}  // namespace

QString BrokerAddress::text() const {
    const QString shown = host.contains(':') ? '[' + host + ']' : host;
    return QStringLiteral("%1://%2:%3")
        .arg(tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"), shown)
        .arg(port);
}

namespace LinkArguments {

std::variant<BrokerAddress, QString> ParseBroker(const QString& url) {
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme();
    // Said without a password typed into it, which would go on into logs.
    const QString shown = parsed.isValid() ? parsed.toString(QUrl::RemovePassword) : url;
    const auto refused = [&](const QString& why) {
        return QStringLiteral(
                   "the broker '%1' is not mqtt://HOST[:PORT] or mqtts://HOST[:PORT]: %2")
            .arg(shown, why);
    };
    if (!parsed.isValid()) return refused(QStringLiteral("not a valid URL"));
    if (scheme != QStringLiteral("mqtt") && scheme != QStringLiteral("mqtts")) {
        return refused(scheme.isEmpty() ? QStringLiteral("no scheme")
                                        : QStringLiteral("unknown scheme '%1'").arg(scheme));
    }
    if (!parsed.userInfo().isEmpty()) {
        return refused(QStringLiteral("credentials go in --mqtt-credentials FILE, not in the URL"));
    }
    if (parsed.host().isEmpty()) return refused(QStringLiteral("no host"));
    if (!parsed.path().isEmpty() && parsed.path() != QStringLiteral("/")) {
        return refused(QStringLiteral("a path"));
    }
    if (parsed.hasQuery() || parsed.hasFragment()) return refused(QStringLiteral("a query"));
    const bool tls = scheme == QStringLiteral("mqtts");
    const int port = parsed.port(tls ? kMqttsPort : kMqttPort);
    if (port <= 0) return refused(QStringLiteral("port 0"));
    return BrokerAddress{parsed.host(), port, tls};
}

std::variant<Credentials, QString> ReadCredentials(const QString& path) {
    // The mode is checked on the file opened, so that no other file can be put under the name
    // between the check and the read; without blocking, since a FIFO's open would wait.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return QStringLiteral("cannot read the credentials file %1: %2")
            .arg(path, qt_error_string(errno));
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return QStringLiteral("the credentials file %1 is not a regular file").arg(path);
    }
    if ((info.st_mode & (S_IRGRP | S_IROTH | S_IWGRP | S_IWOTH)) != 0) {
        return QStringLiteral(
                   "the credentials file %1 may be read or written by others (mode %2): "
                   "chmod 600 %1")
            .arg(path)
            .arg(info.st_mode & 0777, 4, 8, QChar('0'));
    }
    const QString line = QString::fromUtf8(file.readLine()).remove('\n').remove('\r');
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) {
        return QStringLiteral("the credentials file %1 does not start with a user:password line")
            .arg(path);
    }
    return Credentials{line.left(colon), line.mid(colon + 1)};
}

QString NameError(const QString& option, const QString& name) {
    if (name.isEmpty()) return QStringLiteral("--%1 takes a name").arg(option);
    for (const QChar c : name) {
        if (c == '/' || c == '+' || c == '#' || c.unicode() < 0x20) {
            return QStringLiteral("--%1 '%2' holds '%3', which a topic's name cannot")
                .arg(option, name,
                     c.unicode() < 0x20 ? QStringLiteral("a control character") : QString(c));
        }
    }
    return {};
}

QList<QCommandLineOption> Options(Role role) {
    QList<QCommandLineOption> options;
    if (role == Role::Station) {
        options << QCommandLineOption(
            kPublish,
            QStringLiteral("Send every attempt and the station's status to the line's MQTT "
                           "broker at URL: mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] "
                           "(8883)."),
            QStringLiteral("URL"));
    } else {
        options << QCommandLineOption(
            kBroker,
            QStringLiteral("The line's MQTT broker: mqtt://HOST[:PORT] (1883) or "
                           "mqtts://HOST[:PORT] (8883)."),
            QStringLiteral("URL"));
    }
    options << QCommandLineOption(
        kLine, QStringLiteral("The line's name, as its stations give it."), QStringLiteral("NAME"));
    if (role == Role::Station) {
        options << QCommandLineOption(
            kStation,
            QStringLiteral("The station's name on the line and in its records. Default: the "
                           "host name."),
            QStringLiteral("NAME"));
    }
    options << QCommandLineOption(
                   kCa,
                   QStringLiteral("With mqtts://, trust the broker's certificate when FILE's "
                                  "certificates (PEM) sign it. Default: the system's."),
                   QStringLiteral("FILE"))
            << QCommandLineOption(
                   kCredentials,
                   QStringLiteral("Log in to the broker as FILE's user:password line says; only "
                                  "the file's owner may read it."),
                   QStringLiteral("FILE"));
    return options;
}

std::variant<std::optional<LinkOptions>, QString> Read(const QCommandLineParser& parser, Role role,
                                                       const QString& hostName) {
    const QString& urlOption = role == Role::Station ? kPublish : kBroker;
    if (!parser.isSet(urlOption)) {
        if (role == Role::View) return QStringLiteral("--broker URL is needed");
        for (const QString& option : {kLine, kStation, kCa, kCredentials}) {
            if (parser.isSet(option)) {
                return QStringLiteral("--%1 goes with --publish URL").arg(option);
            }
        }
        return std::optional<LinkOptions>();
    }
    LinkOptions options;
    const std::variant<BrokerAddress, QString> broker = ParseBroker(parser.value(urlOption));
    if (const QString* error = std::get_if<QString>(&broker)) return *error;
    options.broker = std::get<BrokerAddress>(broker);
    if (!parser.isSet(kLine))
        return QStringLiteral("--line NAME is needed with --%1").arg(urlOption);
    options.line = parser.value(kLine);
    if (const QString error = NameError(kLine, options.line); !error.isEmpty()) return error;
    if (role == Role::Station) {
        options.station = parser.isSet(kStation) ? parser.value(kStation) : hostName;
        if (const QString error = NameError(kStation, options.station); !error.isEmpty()) {
            return error;
        }
    }
    if (parser.isSet(kCa)) {
        if (!options.broker.tls) return QStringLiteral("--mqtt-ca goes with an mqtts:// broker");
        options.caFile = parser.value(kCa);
        // Looked at without waiting: a FIFO's open would hold the program before it starts.
        const std::variant<int, RegularFile::Failure> ca =
            RegularFile::Open(options.caFile, O_RDONLY);
        if (const auto* failure = std::get_if<RegularFile::Failure>(&ca)) {
            return QStringLiteral("cannot read the certificates %1: %2")
                .arg(options.caFile, failure->detail);
        }
        ::close(std::get<int>(ca));
    }
    if (parser.isSet(kCredentials)) {
        const std::variant<Credentials, QString> credentials =
            ReadCredentials(parser.value(kCredentials));
        if (const QString* error = std::get_if<QString>(&credentials)) return *error;
        options.credentials = std::get<Credentials>(credentials);
    }
    return std::optional<LinkOptions>(options);
}

}  // namespace LinkArguments
