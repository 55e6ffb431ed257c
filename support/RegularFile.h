#pragma once

// Opening a path can wait for ever (a FIFO waits for its other end) or make a device act (a
// serial port raises its control lines), so a file the program reads or appends to is looked at
// before it is opened, and refused unless it is a regular file (RegularFile_win.cpp on Windows).

#include <QString>
#include <variant>

namespace RegularFile {

// Why a path did not open, with the system's words ("it is a FIFO (named pipe), not a regular
// file", "Permission denied").
struct Failure {
    enum class Kind {
        Missing,     // nothing is found at the path
        NotRegular,  // something is, and it is no regular file
        Refused,     // the system refused the open: permissions, a failing disk, a folder gone
    };
    Kind kind = Kind::Refused;
    QString detail;
};

// A descriptor of the regular file at `path` (kept byte for byte, support/NativePath.h), opened
// with `flags` and never waiting; otherwise why not.
std::variant<int, Failure> Open(const QString& path, int flags);

}  // namespace RegularFile
