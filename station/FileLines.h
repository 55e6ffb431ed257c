#pragma once

// The lines of a file that others append to, read through its descriptor forwards from where the
// last read stopped or backwards from the end. Reading costs time in proportion to the bytes read
// and holds one line at most: a line longer than any that is wanted (a damaged file, a file that
// is not one of lines at all) is passed over without being kept, however long it is.

#include <QByteArrayView>
#include <functional>

namespace FileLines {

// Far longer than any line this program writes.
inline constexpr qint64 kLongestLine = 1 << 20;

struct Line {
    qint64 offset = 0;    // of its first byte
    QByteArrayView text;  // without its line feed; empty when too long
    bool tooLong = false;
};

// Where a forward read stopped: at the start of a last line that has no line feed yet, which the
// next read takes up again; once that line is too long, past what of it has been passed over.
struct Position {
    qint64 lineStart = 0;
    qint64 readTo = 0;
    bool tooLong = false;
};

// Hands each whole line from `from` on to `each`, in file order, up to the end of the file.
Position Forward(int fd, Position from, const std::function<void(const Line&)>& each);

// Hands each line to `each` from the last one back, while `each` asks for more; a last line
// without its line feed too.
void Backward(int fd, const std::function<bool(const Line&)>& each);

}  // namespace FileLines
