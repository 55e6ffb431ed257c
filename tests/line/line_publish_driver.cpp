// A station's publishing without its units: publishes RECORD-FILE's lines of --station, and the
// status body given, until SIGTERM; then says goodbye. Says "connected" on stdout each time the
// link comes up.
//   line_publish_driver RECORD-FILE --publish URL --line NAME --station NAME [--status JSON]
//                       [--mqtt-credentials FILE] [--mqtt-ca FILE]

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <cstdio>

#include "line/LinePublisher.h"

namespace {

int g_signalled[2];

void say(const QString& text) {
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption status("status", "", "JSON");
    parser.addOptions(LinkArguments::Options(LinkArguments::Role::Station) << status);
    parser.addPositionalArgument("RECORD-FILE", "");
    parser.process(application);
    const auto read = LinkArguments::Read(parser, LinkArguments::Role::Station, "host");
    if (const QString* error = std::get_if<QString>(&read)) {
        say("usage: " + *error);
        return 64;
    }
    LinePublisher publisher(*std::get<std::optional<LinkOptions>>(read),
                            parser.positionalArguments().value(0));
    if (const std::optional<QString> failure = publisher.start()) {
        say("failed: " + *failure);
        return 3;
    }
    publisher.setStatus(QJsonDocument::fromJson(parser.value(status).toUtf8()).object());
    // Said as the link comes up, for a test to wait on.
    bool connected = false;
    QObject::connect(&publisher, &LinePublisher::linkChanged, [&] {
        if (publisher.link().connected && !connected) say("connected");
        connected = publisher.link().connected;
    });

    // SIGTERM ends the event loop through a socket pair, the one thing a handler may touch.
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalled);
    signal(SIGTERM, [](int) { (void)::write(g_signalled[1], "x", 1); });
    QSocketNotifier terminated(g_signalled[0], QSocketNotifier::Read);
    QObject::connect(&terminated, &QSocketNotifier::activated, &application,
                     &QCoreApplication::quit);
    application.exec();
    publisher.finish(5000);
    say("finished");
    return 0;
}
