#pragma once

// tarvellon-flash as a whole, but for what only a process has (its signals, its exit): the
// command named in `arguments`, which start with the program's own path, run to its exit code.

#include <QStringList>

#include "cli/ExitCode.h"

ExitCode RunProgram(const QStringList& arguments);
