#pragma once

// How a program reaches the line's broker, and under which names it appears there: the options
// both station faces and both line views take, read and checked before anything starts, so that
// a mistake is a usage error at start rather than a link that is down all shift. Credentials come
// from a file that only its owner can read, never from the command line, where `ps` shows them.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <optional>
#include <variant>

struct BrokerAddress {
    QString host;
    int port = 0;
    bool tls = false;
    // mqtt://host:port as the program says it back.
    QString text() const;
};

struct Credentials {
    QString user;
    QString password;
};

struct LinkOptions {
    BrokerAddress broker;
    QString caFile;  // mqtts only; "" for the system's certificates
    std::optional<Credentials> credentials;
    QString line;
    QString station;  // "" for the line view
};

namespace LinkArguments {

// mqtt://HOST[:PORT] or mqtts://HOST[:PORT]; why not, when it is not one.
std::variant<BrokerAddress, QString> ParseBroker(const QString& url);
// `user:password` on the file's first line; refused when others may read the file.
std::variant<Credentials, QString> ReadCredentials(const QString& path);
// A line's or a station's name is one level of a topic: not empty, no '/', '+', '#'.
QString NameError(const QString& option, const QString& name);

// Which face reads them: a station publishes (--publish, --station), a view reads a broker
// (--broker).
enum class Role { Station, View };

QList<QCommandLineOption> Options(Role role);

// What the options ask for: nothing for a station started without --publish; a usage error's
// text otherwise. `hostName` is the default station name.
std::variant<std::optional<LinkOptions>, QString> Read(const QCommandLineParser& parser, Role role,
                                                       const QString& hostName);

}  // namespace LinkArguments
