#pragma once

// Opening a path can wait for ever (a FIFO waits for its other end) or make a device act (a
// serial port raises its control lines), so a file the program reads or appends to is looked at
// before it is opened, and refused unless it is a regular file. Unix only.

#include <QString>

namespace RegularFile {

// A descriptor of the regular file at `path` (kept byte for byte, support/NativePath.h), opened
// with `flags` and never waiting; -1 otherwise, with `error` saying why ("it is a FIFO (named
// pipe), not a regular file", "Permission denied").
int Open(const QString& path, int flags, QString& error);

}  // namespace RegularFile
