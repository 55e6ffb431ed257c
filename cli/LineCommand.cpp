// `line`: the line of stations as its broker holds it, for a terminal or a script. --once prints
// what the broker keeps and exits with a code that says whether the line is whole; without it the
// view follows the line until Ctrl-C.

#include <QDateTime>
#include <QEventLoop>
#include <QSysInfo>
#include <QTimer>
#include <algorithm>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/JsonReporter.h"
#include "cli/LineReport.h"
#include "link/Interrupt.h"
#include "support/Terminal.h"

namespace {

// A view redraws a few times a second at most, however busy the line.
constexpr int kRedrawMs = 250;
constexpr int kInterruptPollMs = 50;
// Where the terminal does not say its width.
constexpr int kNarrowest = 80;

// Ends `loop` at Ctrl-C, SIGTERM or SIGHUP, which the program's handler notes.
void quitOnInterrupt(QEventLoop& loop, QTimer& poll) {
    QObject::connect(&poll, &QTimer::timeout, &loop, [&loop] {
        if (Interrupt::Requested()) loop.quit();
    });
    poll.start(kInterruptPollMs);
}

// Follows the line until interrupted. On a terminal the view is redrawn in place, each line cut
// to the width; elsewhere each station's line is written, time-stamped, when it changes; with
// --json the whole line is one object a change.
ExitCode follow(LineModel& model, bool json) {
    const bool terminal = !json && StdoutTerminal().isTerminal;
    QHash<QString, QStringList> said;
    QString linkSaid;
    const auto show = [&] {
        if (json) {
            JsonReporter::Print(LineReport::Json(model, LineReport::Verdict(model)));
            return;
        }
        const QString link =
            model.link().connected
                ? QString()
                : QStringLiteral("broker link down since %1 (%2), reconnecting")
                      .arg(model.link().downSince.toString(QStringLiteral("HH:mm")),
                           model.link().reason);
        if (terminal) {
            const int columns = std::max(StdoutTerminal().columns, kNarrowest);
            QString screen = QStringLiteral("\x1b[H\x1b[J");
            for (const QString& line : QStringList{link} + LineReport::Lines(model)) {
                if (!line.isEmpty()) screen += line.left(columns - 1) + '\n';
            }
            CommandLine::Out(screen, false);
            return;
        }
        const QString stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODate) + ' ';
        if (link != linkSaid && !link.isEmpty()) CommandLine::Out(stamp + link);
        linkSaid = link;
        for (const StationEntry& station : model.stations()) {
            const QStringList lines = LineReport::StationLines(station);
            if (said.value(station.name) == lines) continue;
            said.insert(station.name, lines);
            for (const QString& line : lines) CommandLine::Out(stamp + line);
        }
    };
    QTimer due;
    due.setSingleShot(true);
    QObject::connect(&due, &QTimer::timeout, show);
    const auto changed = [&] {
        if (!due.isActive()) due.start(kRedrawMs);
    };
    QObject::connect(&model, &LineModel::changed, changed);
    QObject::connect(&model, &LineModel::linkChanged, changed);
    QEventLoop loop;
    QTimer interrupts;
    quitOnInterrupt(loop, interrupts);
    model.open();
    loop.exec();
    model.close();
    return ExitCode::Interrupted;
}

// What the broker keeps, once.
ExitCode once(LineModel& model, bool json) {
    QEventLoop loop;
    QString failure;
    QObject::connect(&model, &LineModel::caughtUpNow, &loop, &QEventLoop::quit);
    QObject::connect(&model, &LineModel::linkChanged, &loop, [&] {
        if (model.link().connected) return;
        failure = model.link().reason;
        loop.quit();
    });
    QTimer interrupts;
    quitOnInterrupt(loop, interrupts);
    model.open();
    loop.exec();
    model.close();
    if (Interrupt::Requested()) return ExitCode::Interrupted;
    if (!failure.isEmpty()) {
        CommandLine::Err(failure);
        return ExitCode::BrokerUnreachable;
    }
    const ExitCode verdict = LineReport::Verdict(model);
    if (json) {
        JsonReporter::Print(LineReport::Json(model, verdict));
    } else {
        for (const QString& line : LineReport::Lines(model)) CommandLine::Out(line);
    }
    return verdict;
}

}  // namespace

ExitCode Commands::Line(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("The line as one JSON object a line, for programs (fields: README.md)."));
    const QCommandLineOption onceOption(
        QStringLiteral("once"),
        QStringLiteral("Print what the broker holds and exit: 0 when every station is online and "
                       "none has stopped its line; 7 when one is offline, 8 when one has stopped "
                       "its line, 9 when the broker cannot be reached."));
    parser.addOptions(LinkArguments::Options(LinkArguments::Role::View) << json << onceOption);
    if (const auto exit = CommandLine::Parse(parser, command, arguments, {})) return *exit;
    const auto read =
        LinkArguments::Read(parser, LinkArguments::Role::View, QSysInfo::machineHostName());
    if (const QString* error = std::get_if<QString>(&read)) return CommandLine::UsageError(*error);
    LineModel model(**std::get_if<std::optional<LinkOptions>>(&read));
    return parser.isSet(onceOption) ? once(model, parser.isSet(json))
                                    : follow(model, parser.isSet(json));
}
