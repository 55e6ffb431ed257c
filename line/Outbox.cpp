#include "line/Outbox.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>

#include "station/FileLines.h"
#include "support/RegularFile.h"

namespace {

const QString kAcknowledged = QStringLiteral("acknowledged_bytes");

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
    const qint64 acknowledged = readCursor();
    m_readTo = {acknowledged, acknowledged, false};
    if (!saveCursor()) return m_error;
    readNew();
    return std::nullopt;
}

// Where the last run's acknowledgements reached; the start when that is not a line's start in
// this file (another file under the same name), since a repeat costs less than a line missed.
qint64 Outbox::readCursor() const {
    QFile file(m_cursorPath);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const qint64 offset =
        QJsonDocument::fromJson(file.read(1024)).object().value(kAcknowledged).toInteger(-1);
    struct stat info {};
    char before = 0;
    const bool fits = offset > 0 && ::fstat(m_fd, &info) == 0 && offset <= info.st_size &&
                      ::pread(m_fd, &before, 1, offset - 1) == 1 && before == '\n';
    return fits ? offset : 0;
}

void Outbox::readNew() {
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
    const QByteArray text =
        QJsonDocument(
            QJsonObject{{"schema_version", 1}, {"station", m_station}, {kAcknowledged, at}})
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
