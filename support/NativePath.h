#pragma once

// A file name is a run of bytes, and not every run is valid UTF-8. Qt decodes such a name into
// replacement characters and cannot open it again, so a path given on the command line keeps each
// byte that is not UTF-8 as a code point of its own (U+DC80 to U+DCFF, as Python's
// "surrogateescape" does), and is turned back into the very same bytes when the file is opened.

#include <QByteArray>
#include <QString>

namespace NativePath {

// The bytes of a command-line argument as text; any byte that is not part of valid UTF-8 is kept.
QString Decoded(const QByteArray& bytes);
// The bytes to give the system for `path`: Decoded's input again.
QByteArray Encoded(const QString& path);
// For a person or a JSON reader: each kept byte shown as the replacement character U+FFFD.
QString Displayed(const QString& path);

}  // namespace NativePath
