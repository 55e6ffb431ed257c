#pragma once

// One entry of the program's command table: dispatch and --help both read it.

#include <QStringList>

#include "cli/ExitCode.h"

struct Command {
    const char* name;
    const char* arguments;  // as the usage line shows them
    const char* summary;
    // `arguments` starts with the command's own name.
    ExitCode (*run)(const Command& command, const QStringList& arguments);
    // Those it may end with, for its --help.
    QList<ExitCode> exits = {};
};

namespace Commands {

ExitCode List(const Command& command, const QStringList& arguments);
ExitCode Identify(const Command& command, const QStringList& arguments);
ExitCode Upgrade(const Command& command, const QStringList& arguments);
ExitCode Station(const Command& command, const QStringList& arguments);
ExitCode Info(const Command& command, const QStringList& arguments);
ExitCode Line(const Command& command, const QStringList& arguments);

}  // namespace Commands
