#include "station/ImageCopy.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <cerrno>

#include "operations/CountText.h"

namespace {

// The process that made a folder is in its name, so that one still being made, not yet locked, is
// never taken for an ended run's.
const QString kFolderPrefix = QStringLiteral("tarvellon-station-");

int lockedFolder(const QString& path, int operation) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, operation) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool processGone(qint64 pid) {
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

ImageCopy::~ImageCopy() {
    m_folder.reset();
    if (m_lock >= 0) ::close(m_lock);
}

std::optional<QString> ImageCopy::write(const QByteArray& bytes) {
    m_folder = std::make_unique<QTemporaryDir>(
        QDir::temp().filePath(kFolderPrefix + QString::number(QCoreApplication::applicationPid()) +
                              QStringLiteral("-XXXXXX")));
    const QString folder = QDir::toNativeSeparators(QDir::tempPath());
    const auto failed = [&](const QString& why) {
        return QStringLiteral("cannot keep a private copy of the image in %1: %2").arg(folder, why);
    };
    if (!m_folder->isValid()) return failed(m_folder->errorString());
    m_lock = lockedFolder(m_folder->path(), LOCK_SH);
    const QString path = m_folder->filePath(QStringLiteral("image.frw"));
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR);
    if (fd < 0) return failed(qt_error_string(errno));
    qsizetype written = 0;
    int error = 0;
    while (written < bytes.size() && error == 0) {
        const ssize_t got = ::write(fd, bytes.constData() + written, bytes.size() - written);
        if (got < 0) error = errno;
        written += qMax<ssize_t>(got, 0);
    }
    // A full folder may say so only when the bytes are forced out, or when the file is closed.
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        return failed(
            QStringLiteral("%1 (%2 of its %3 bytes written)")
                .arg(qt_error_string(error), CountText(written), CountText(bytes.size())));
    }
    m_path = path;
    return std::nullopt;
}

void ImageCopy::RemoveStale() {
    static const QRegularExpression name(QRegularExpression::anchoredPattern(
        kFolderPrefix + QStringLiteral("(\\d+)-[A-Za-z0-9]{6}")));
    const QDir temp = QDir::temp();
    for (const QString& entry : temp.entryList({kFolderPrefix + '*'}, QDir::Dirs | QDir::Hidden)) {
        const QRegularExpressionMatch match = name.match(entry);
        const QString path = temp.filePath(entry);
        struct stat info {};
        if (!match.hasMatch() || ::lstat(QFile::encodeName(path).constData(), &info) != 0 ||
            !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
            !processGone(match.captured(1).toLongLong())) {
            continue;
        }
        // A station whose process is out of sight (another pid namespace) still holds its lock.
        const int lock = lockedFolder(path, LOCK_EX | LOCK_NB);
        if (lock < 0) continue;
        QDir(path).removeRecursively();
        ::close(lock);
    }
}
