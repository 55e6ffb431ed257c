// Windows has no FIFOs or device files that a path names by accident, so only a folder is told
// apart before the open, which never waits.

#include "support/RegularFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <QFileInfo>
#include <cerrno>

namespace RegularFile {

std::variant<int, Failure> Open(const QString& path, int flags) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        return Failure{Failure::Kind::NotRegular,
                       QStringLiteral("it is a folder, not a regular file")};
    }
    // The bytes as they are, and not inherited by the programs this one starts.
    const int fd = ::_wopen(reinterpret_cast<const wchar_t*>(path.utf16()),
                            flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        const QString detail = qt_error_string(errno);
        return Failure{info.exists() ? Failure::Kind::Refused : Failure::Kind::Missing, detail};
    }
    return fd;
}

}  // namespace RegularFile
