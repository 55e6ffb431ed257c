#include "support/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtGlobal>
#include <cerrno>

#include "support/NativePath.h"

namespace RegularFile {
namespace {

QString notRegular(mode_t mode) {
    const char* kind = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a FIFO (named pipe)"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "a special file";
    return QStringLiteral("it is %1, not a regular file").arg(QLatin1String(kind));
}

}  // namespace

std::variant<int, Failure> Open(const QString& path, int flags) {
    const QByteArray native = NativePath::Encoded(path);
    struct stat info {};
    const bool found = ::stat(native.constData(), &info) == 0;
    if (found && !S_ISREG(info.st_mode)) {
        return Failure{Failure::Kind::NotRegular, notRegular(info.st_mode)};
    }
    // Nothing found and nothing opened is nothing there, nor anything that could be made there.
    const int fd = ::open(native.constData(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        const QString detail = qt_error_string(errno);
        return Failure{found ? Failure::Kind::Refused : Failure::Kind::Missing, detail};
    }
    // The path may have been given to something else since it was looked at.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Failure{Failure::Kind::NotRegular, notRegular(info.st_mode)};
    }
    return fd;
}

}  // namespace RegularFile
