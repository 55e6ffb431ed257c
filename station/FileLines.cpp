#include "station/FileLines.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>

namespace FileLines {
namespace {

constexpr qint64 kChunk = 64 * 1024;

// The part of a line read so far, kept while the line is short enough to be wanted.
class HeldLine {
  public:
    explicit HeldLine(bool tooLong = false) : m_tooLong(tooLong) {}
    bool tooLong() const { return m_tooLong; }
    void append(QByteArrayView part) { add(part, false); }
    void prepend(QByteArrayView part) { add(part, true); }
    // The whole line, ending (or, read backwards, starting) with `last`.
    Line line(qint64 offset, QByteArrayView last, bool backwards) {
        if (m_tooLong || m_text.size() + last.size() > kLongestLine) return {offset, {}, true};
        if (m_text.isEmpty()) return {offset, last, false};
        add(last, backwards);
        return {offset, m_text, false};
    }
    void clear() {
        m_text.clear();
        m_tooLong = false;
    }

  private:
    void add(QByteArrayView part, bool before) {
        if (m_tooLong) return;
        if (m_text.size() + part.size() > kLongestLine) {
            m_tooLong = true;
            m_text = QByteArray();
        } else if (before) {
            m_text.prepend(part);
        } else {
            m_text.append(part);
        }
    }

    QByteArray m_text;
    bool m_tooLong;
};

}  // namespace

Position Forward(int fd, Position from, const std::function<void(const Line&)>& each) {
    QByteArray chunk(kChunk, Qt::Uninitialized);
    HeldLine held(from.tooLong);
    qint64 lineStart = from.lineStart;
    // A short unfinished line is read again whole; a long one goes on from where it was left.
    qint64 at = from.tooLong ? from.readTo : from.lineStart;
    for (ssize_t got; (got = ::pread(fd, chunk.data(), kChunk, at)) > 0; at += got) {
        const QByteArrayView bytes(chunk.constData(), got);
        qsizetype start = 0;
        for (qsizetype end; (end = bytes.indexOf('\n', start)) >= 0; start = end + 1) {
            each(held.line(lineStart, bytes.sliced(start, end - start), false));
            held.clear();
            lineStart = at + end + 1;
        }
        held.append(bytes.sliced(start));
    }
    return {lineStart, at, held.tooLong()};
}

void Backward(int fd, const std::function<bool(const Line&)>& each) {
    struct stat info {};
    qint64 end = ::fstat(fd, &info) == 0 ? info.st_size : 0;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    HeldLine held;
    qint64 lineEnd = end;  // of the line being read back, at its line feed or the file's end
    while (end > 0) {
        const qint64 size = qMin(kChunk, end);
        if (::pread(fd, chunk.data(), size, end - size) != size) return;
        end -= size;
        const QByteArrayView bytes(chunk.constData(), size);
        qsizetype stop = size;  // where the part of the current line in this chunk ends
        for (qsizetype feed; stop > 0 && (feed = bytes.lastIndexOf('\n', stop - 1)) >= 0;
             stop = feed) {
            // An empty line is no line to look at.
            const qint64 offset = end + feed + 1;
            if (offset < lineEnd &&
                !each(held.line(offset, bytes.sliced(feed + 1, stop - feed - 1), true))) {
                return;
            }
            held.clear();
            lineEnd = end + feed;
        }
        held.prepend(bytes.first(stop));
    }
    if (lineEnd > 0) each(held.line(0, {}, true));
}

}  // namespace FileLines
