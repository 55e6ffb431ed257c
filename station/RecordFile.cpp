#include "station/RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cerrno>

#include "station/AttemptLine.h"
#include "support/RegularFile.h"

namespace {

constexpr qint64 kReadChunk = 64 * 1024;

// A lock on the first byte of a started line, held by the process that wrote it for as long as
// it runs. Without open file description locks no process is seen running.
#ifdef F_OFD_SETLK
struct flock firstByte(short type, qint64 offset) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    return lock;
}

void holdLine(int fd, qint64 offset) {
    struct flock lock = firstByte(F_RDLCK, offset);
    ::fcntl(fd, F_OFD_SETLK, &lock);
}

bool lineHeld(int fd, qint64 offset) {
    struct flock lock = firstByte(F_WRLCK, offset);
    return ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}
#else
void holdLine(int, qint64) {}
bool lineHeld(int, qint64) {
    return false;
}
#endif

}  // namespace

RecordFile::~RecordFile() {
    if (m_fd >= 0) ::close(m_fd);
}

bool RecordFile::open(const QString& path) {
    const std::variant<int, RegularFile::Failure> opened =
        RegularFile::Open(path, O_RDWR | O_APPEND | O_CREAT);
    m_fd = std::holds_alternative<int>(opened) ? std::get<int>(opened) : -1;
    return m_fd >= 0 || fail(QStringLiteral("cannot append to the record file %1: %2")
                                 .arg(path, std::get<RegularFile::Failure>(opened).detail));
}

void RecordFile::readNew(const std::function<void(const QJsonObject&)>& sink,
                         const QString& serial) {
    // The serial as a JSON text, as this program writes it.
    const QByteArray named =
        serial.isEmpty()
            ? QByteArray()
            : QJsonDocument(QJsonArray{serial}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    QByteArray pending;
    QByteArray chunk(kReadChunk, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::pread(m_fd, chunk.data(), chunk.size(), m_readTo + pending.size());
        if (got <= 0) break;
        pending.append(chunk.constData(), got);
        qsizetype start = 0;
        for (qsizetype end; (end = pending.indexOf('\n', start)) >= 0; start = end + 1) {
            const QByteArray text = pending.sliced(start, end - start);
            if (!named.isEmpty() && !text.contains(named)) continue;
            const QJsonObject line = QJsonDocument::fromJson(text).object();
            if (!AttemptLine::IsWhole(line)) {
                m_skipped += text.trimmed().isEmpty() ? 0 : 1;
                continue;
            }
            const QString serial = AttemptLine::Serial(line);
            if (AttemptLine::IsStarted(line)) {
                m_unclosed.insert(AttemptLine::Attempt(line), {serial, m_readTo + start});
            } else {
                ++m_closed[serial];
                m_unclosed.remove(AttemptLine::Attempt(line));
            }
            if (sink) sink(line);
        }
        m_readTo += start;
        pending.remove(0, start);
    }
}

int RecordFile::attemptsOn(const QString& serial) const {
    int attempts = m_closed.value(serial);
    for (const auto& [lineSerial, offset] : m_unclosed) {
        if (lineSerial == serial && !lineHeld(m_fd, offset)) ++attempts;
    }
    return attempts;
}

QList<QJsonObject> RecordFile::lastClosing(int count) const {
    QList<QJsonObject> found;  // newest first
    struct stat info {};
    qint64 end = ::fstat(m_fd, &info) == 0 ? info.st_size : 0;
    // What lies between `end` and the lines already looked at; its first line may lack its start.
    QByteArray pending;
    while (found.size() < count && end > 0) {
        const qint64 size = qMin(kReadChunk, end);
        QByteArray chunk(size, Qt::Uninitialized);
        if (::pread(m_fd, chunk.data(), size, end - size) != size) break;
        end -= size;
        QByteArrayList lines = (chunk + pending).split('\n');
        pending = end > 0 ? lines.takeFirst() : QByteArray();
        for (auto text = lines.crbegin(); text != lines.crend() && found.size() < count; ++text) {
            const QJsonObject line = QJsonDocument::fromJson(*text).object();
            if (AttemptLine::IsWhole(line) && !AttemptLine::IsStarted(line)) found.append(line);
        }
    }
    std::reverse(found.begin(), found.end());
    return found;
}

bool RecordFile::append(const QJsonObject& line) {
    const QByteArray json = QJsonDocument(line).toJson(QJsonDocument::Compact);
    QByteArray text = json + '\n';
    struct stat info {};
    char last = '\n';
    if (::fstat(m_fd, &info) == 0 && info.st_size > 0) ::pread(m_fd, &last, 1, info.st_size - 1);
    // A line cut short before stays a line of its own instead of swallowing this one.
    if (last != '\n') text.prepend('\n');
    const ssize_t written = ::write(m_fd, text.constData(), text.size());
    if (written < 0 || ::fsync(m_fd) != 0) {
        return fail(qt_error_string(errno));
    }
    if (written != text.size()) {
        return fail(QStringLiteral("only %1 of its %2 bytes were written; the disk may be full")
                        .arg(written)
                        .arg(text.size()));
    }
    if (AttemptLine::IsStarted(line)) {
        holdLine(m_fd, ::lseek(m_fd, 0, SEEK_CUR) - json.size() - 1);
    }
    return true;
}

bool RecordFile::fail(const QString& error) {
    m_error = error;
    return false;
}
