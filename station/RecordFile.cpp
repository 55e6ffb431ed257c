#include "station/RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cerrno>
#include <limits>

#include "station/AttemptLine.h"
#include "station/FileLines.h"
#include "support/RegularFile.h"

namespace {

// The serial as a JSON text, as this program writes it.
QByteArray serialText(const QString& serial) {
    return QJsonDocument(QJsonArray{serial}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
}

// The attempt line a line of the file holds; empty when it holds none. A line whose serial is not
// written as this program writes it (a raw control byte, an escape where none is needed) is a
// damaged one, so that a reader that looks for one serial's lines by their text counts what a
// reader of every line counts.
QJsonObject attemptLine(const FileLines::Line& text) {
    if (text.tooLong) return {};
    const QJsonObject line =
        QJsonDocument::fromJson(QByteArray::fromRawData(text.text.data(), text.text.size()))
            .object();
    const bool whole =
        AttemptLine::IsWhole(line) && text.text.contains(serialText(AttemptLine::Serial(line)));
    return whole ? line : QJsonObject();
}

// A lock on the first byte of a started line, held by the process that wrote it for as long as
// it runs. Without open file description locks no process is seen running.
#ifdef F_OFD_SETLK
struct flock oneByte(short type, qint64 offset) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    return lock;
}

void holdLine(int fd, qint64 offset) {
    struct flock lock = oneByte(F_RDLCK, offset);
    ::fcntl(fd, F_OFD_SETLK, &lock);
}

bool lineHeld(int fd, qint64 offset) {
    struct flock lock = oneByte(F_WRLCK, offset);
    return ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

// A writer's turn to append, taken by every writer: how the file ends is looked at and the line
// written after it as one step. Its lock lies past any line, so no line's lock is in its way.
class AppendTurn {
  public:
    explicit AppendTurn(int fd) : m_fd(fd) {
        struct flock lock = oneByte(F_WRLCK, kByte);
        m_held = ::fcntl(fd, F_OFD_SETLKW, &lock) == 0;
    }
    ~AppendTurn() {
        struct flock lock = oneByte(F_UNLCK, kByte);
        if (m_held) ::fcntl(m_fd, F_OFD_SETLK, &lock);
    }
    AppendTurn(const AppendTurn&) = delete;
    AppendTurn& operator=(const AppendTurn&) = delete;

  private:
    static constexpr qint64 kByte = std::numeric_limits<off_t>::max() - 1;
    int m_fd;
    bool m_held = false;
};
#else
void holdLine(int, qint64) {}
bool lineHeld(int, qint64) {
    return false;
}
struct AppendTurn {
    explicit AppendTurn(int) {}
};
#endif

}  // namespace

RecordFile::~RecordFile() {
    forgetEarlier();
    if (m_fd >= 0) ::close(m_fd);
}

bool RecordFile::open(const QString& path) {
    m_path = path;
    return openPath();
}

bool RecordFile::openPath() {
    const std::variant<int, RegularFile::Failure> opened =
        RegularFile::Open(m_path, O_RDWR | O_APPEND | O_CREAT);
    m_fd = std::holds_alternative<int>(opened) ? std::get<int>(opened) : -1;
    m_readTo = {};
    return m_fd >= 0 || fail(QStringLiteral("cannot append to the record file %1: %2")
                                 .arg(m_path, std::get<RegularFile::Failure>(opened).detail));
}

bool RecordFile::moved() const {
    struct stat held {};
    struct stat named {};
    return ::fstat(m_fd, &held) == 0 &&
           (::stat(QFile::encodeName(m_path).constData(), &named) != 0 ||
            named.st_dev != held.st_dev || named.st_ino != held.st_ino);
}

bool RecordFile::readNew(const std::function<void(const QJsonObject&)>& sink) {
    const auto hand = [&](const FileLines::Line& text) {
        const QJsonObject line = attemptLine(text);
        if (line.isEmpty()) {
            m_skipped += text.tooLong || !text.text.trimmed().isEmpty() ? 1 : 0;
        } else if (sink) {
            sink(line);
        }
    };
    for (Earlier& earlier : m_earlier) {
        earlier.readTo = FileLines::Forward(earlier.fd, earlier.readTo, hand);
    }
    m_readTo = FileLines::Forward(m_fd, m_readTo, hand);
    if (!moved()) return true;
    m_earlier.append({m_fd, m_readTo});
    if (!openPath()) {
        const Earlier held = m_earlier.takeLast();
        m_fd = held.fd;
        m_readTo = held.readTo;
        return false;
    }
    m_readTo = FileLines::Forward(m_fd, m_readTo, hand);
    return true;
}

void RecordFile::forgetEarlier() {
    for (const Earlier& earlier : m_earlier) ::close(earlier.fd);
    m_earlier.clear();
}

int RecordFile::attemptsOn(const QString& serial) const {
    const QByteArray named = serialText(serial);
    int closed = 0;
    QHash<QString, qint64> unclosed;  // where each started line without a closing line starts
    FileLines::Forward(m_fd, {}, [&](const FileLines::Line& text) {
        if (!text.text.contains(named)) return;
        const QJsonObject line = attemptLine(text);
        if (line.isEmpty() || AttemptLine::Serial(line) != serial) return;
        if (AttemptLine::IsStarted(line)) {
            unclosed.insert(AttemptLine::Attempt(line), text.offset);
        } else {
            ++closed;
            unclosed.remove(AttemptLine::Attempt(line));
        }
    });
    return closed + int(std::count_if(unclosed.begin(), unclosed.end(),
                                      [this](qint64 offset) { return !lineHeld(m_fd, offset); }));
}

QList<QJsonObject> RecordFile::lastClosing(int count) const {
    QList<QJsonObject> found;  // newest first
    if (count <= 0) return found;
    FileLines::Backward(m_fd, [&](const FileLines::Line& text) {
        const QJsonObject line = attemptLine(text);
        if (!line.isEmpty() && !AttemptLine::IsStarted(line)) found.append(line);
        return found.size() < count;
    });
    std::reverse(found.begin(), found.end());
    return found;
}

bool RecordFile::append(const QJsonObject& line) {
    const QByteArray json = QJsonDocument(line).toJson(QJsonDocument::Compact);
    QByteArray text = json + '\n';
    ssize_t written = 0;
    {
        const AppendTurn turn(m_fd);
        struct stat info {};
        char last = '\n';
        if (::fstat(m_fd, &info) == 0 && info.st_size > 0) {
            ::pread(m_fd, &last, 1, info.st_size - 1);
        }
        // A line cut short before stays a line of its own instead of swallowing this one.
        if (last != '\n') text.prepend('\n');
        written = ::write(m_fd, text.constData(), text.size());
    }
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
