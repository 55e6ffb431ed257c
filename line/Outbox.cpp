#include "line/Outbox.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>

#include "station/FileLines.h"
#include "support/RegularFile.h"

namespace {

const QString kAcknowledged = QStringLiteral("acknowledged_bytes");
const QString kDevice = QStringLiteral("device");
const QString kInode = QStringLiteral("inode");

// The file's device and inode, which stay with it when it is renamed.
std::optional<std::pair<qint64, qint64>> identity(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return std::nullopt;
    return std::pair<qint64, qint64>(info.st_dev, info.st_ino);
}

}  // namespace

Outbox::Outbox(QString recordPath, QString station)
    : m_recordPath(std::move(recordPath)),
      m_station(std::move(station)),
      m_cursorPath(CursorPath(m_recordPath, m_station)) {}

Outbox::~Outbox() {
    if (m_fd >= 0) ::close(m_fd);
}

QString Outbox::CursorPath(const QString& recordPath, const QString& station) {
    // Spaces and letters stay readable; what a file name cannot hold is escaped.
    return recordPath + '.' + QString::fromLatin1(QUrl::toPercentEncoding(station, " ")) +
           QStringLiteral(".sent");
}

std::optional<QString> Outbox::open() {
    const std::variant<int, RegularFile::Failure> opened =
        RegularFile::Open(m_recordPath, O_RDONLY);
    if (const auto* failure = std::get_if<RegularFile::Failure>(&opened)) {
        return QStringLiteral("cannot read the record file %1: %2")
            .arg(m_recordPath, failure->detail);
    }
    m_fd = std::get<int>(opened);
    const qint64 acknowledged = resumeFromCursor();
    m_readTo = {acknowledged, acknowledged, false};
    if (!saveCursor()) return m_error;
    readForward();
    return std::nullopt;
}

// Where the last run's acknowledgements reached. When they were counted in a file since renamed
// (rotated) in the same folder, that file's rest goes first, and the file under the name follows
// once it is through. The start when the cursor fits no file, since a repeat costs less than a
// line missed.
qint64 Outbox::resumeFromCursor() {
    QFile file(m_cursorPath);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const QJsonObject cursor = QJsonDocument::fromJson(file.read(1024)).object();
    const qint64 offset = cursor.value(kAcknowledged).toInteger(-1);
    if (cursor.contains(kInode)) {
        const std::pair<qint64, qint64> counted(cursor.value(kDevice).toInteger(-1),
                                                cursor.value(kInode).toInteger(-1));
        if (identity(m_fd) != counted) {
            const int renamed = openRenamed(counted);
            if (renamed < 0) return 0;
            ::close(m_fd);
            m_fd = renamed;
        }
    }
    struct stat info {};
    char before = 0;
    const bool fits = offset > 0 && ::fstat(m_fd, &info) == 0 && offset <= info.st_size &&
                      ::pread(m_fd, &before, 1, offset - 1) == 1 && before == '\n';
    return fits ? offset : 0;
}

// The file of the record file's folder that is `file` (its device and inode), opened; -1 if none.
int Outbox::openRenamed(std::pair<qint64, qint64> file) const {
    const QDir folder = QFileInfo(m_recordPath).dir();
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files | QDir::Hidden)) {
        struct stat info {};
        if (::stat(QFile::encodeName(entry.filePath()).constData(), &info) != 0 ||
            std::pair<qint64, qint64>(info.st_dev, info.st_ino) != file) {
            continue;
        }
        const std::variant<int, RegularFile::Failure> opened =
            RegularFile::Open(entry.filePath(), O_RDONLY);
        return std::holds_alternative<int>(opened) ? std::get<int>(opened) : -1;
    }
    return -1;
}

void Outbox::readNew(bool mayFollow) {
    readForward();
    if (mayFollow && followName()) readForward();
}

// The file now under the record file's name, once nothing of the one held waits: it starts
// from its beginning.
bool Outbox::followName() {
    struct stat named {};
    const auto held = identity(m_fd);
    if (!m_pending.empty() || !held ||
        ::stat(QFile::encodeName(m_recordPath).constData(), &named) != 0 ||
        std::pair<qint64, qint64>(named.st_dev, named.st_ino) == *held) {
        return false;
    }
    const std::variant<int, RegularFile::Failure> opened =
        RegularFile::Open(m_recordPath, O_RDONLY);
    if (!std::holds_alternative<int>(opened)) return false;
    ::close(m_fd);
    m_fd = std::get<int>(opened);
    m_readTo = {};
    m_handedOut = 0;
    m_savedCursor = -1;
    saveCursor();
    return true;
}

void Outbox::readForward() {
    m_readTo = FileLines::Forward(m_fd, m_readTo, [this](const FileLines::Line& text) {
        if (text.tooLong) return;
        const QJsonObject line =
            QJsonDocument::fromJson(QByteArray::fromRawData(text.text.data(), text.text.size()))
                .object();
        if (line.value(QStringLiteral("station")).toString() == m_station) {
            m_pending.push_back({text.offset, text.offset + text.text.size() + 1});
        }
    });
}

QList<Outbox::Line> Outbox::next(int count) {
    QList<Line> lines;
    for (; m_handedOut < m_pending.size() && lines.size() < count; ++m_handedOut) {
        const Pending& line = m_pending[m_handedOut];
        if (line.acknowledged) continue;
        QByteArray bytes(line.end - line.begin - 1, Qt::Uninitialized);
        if (::pread(m_fd, bytes.data(), bytes.size(), line.begin) != bytes.size()) break;
        lines.append({line.end, bytes});
    }
    return lines;
}

void Outbox::resend() {
    m_handedOut = 0;
}

void Outbox::acknowledged(qint64 end) {
    const auto found =
        std::lower_bound(m_pending.begin(), m_pending.end(), end,
                         [](const Pending& line, qint64 at) { return line.end < at; });
    if (found == m_pending.end() || found->end != end) return;
    found->acknowledged = true;
    while (!m_pending.empty() && m_pending.front().acknowledged) {
        m_pending.pop_front();
        if (m_handedOut > 0) --m_handedOut;
    }
}

bool Outbox::saveCursor() {
    const qint64 at = cursor();
    if (at == m_savedCursor) return true;
    QSaveFile file(m_cursorPath);
    const auto held = identity(m_fd);
    const QByteArray text = QJsonDocument(QJsonObject{{"schema_version", 1},
                                                      {"station", m_station},
                                                      {kAcknowledged, at},
                                                      {kDevice, held ? held->first : -1},
                                                      {kInode, held ? held->second : -1}})
                                .toJson(QJsonDocument::Compact) +
                            '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        m_error = QStringLiteral("cannot write the publishing cursor %1: %2")
                      .arg(m_cursorPath, file.errorString());
        return false;
    }
    m_savedCursor = at;
    return true;
}
