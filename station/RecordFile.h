#pragma once

// The production line's record of every attempt, one JSON object a line: a started line before the
// unit is touched and a closing line once it is closed again, each appended by the process that
// flashes the unit in one write and forced to disk, so that a station that dies loses nothing. The
// file is never rewritten; a line cut short (a full disk) stays a line of its own and counts for
// nothing. While an upgrade runs it holds a lock on its started line, so that a reader can tell an
// attempt that is still running from one whose process died.

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>
#include <utility>

class RecordFile {
  public:
    RecordFile() = default;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    ~RecordFile();

    // Opens the file for reading and appending, creating it. Anything but a regular file is
    // refused before it is opened, and the open never waits. False: errorString() says why, naming
    // the file.
    bool open(const QString& path);
    QString errorString() const { return m_error; }

    // Reads the lines appended since the last call and hands each whole attempt line to `sink`, in
    // file order. A line that is not one is skipped and counted; a last line without its line feed
    // is left for the next call. With `serial` given, a line that does not name it is passed over
    // unparsed and uncounted, so that a file of years costs little to read.
    void readNew(const std::function<void(const QJsonObject&)>& sink = {},
                 const QString& serial = {});
    int skippedLines() const { return m_skipped; }

    // The attempts on `serial` among the lines read: each closing line, and each started line
    // without one whose process is gone (as a `process_died`).
    int attemptsOn(const QString& serial) const;

    // The last `count` closing lines of the file, oldest first. Read from the end, so that a file
    // of years costs no more than one of a shift.
    QList<QJsonObject> lastClosing(int count) const;

    // Appends `line` in one write, after a line feed when the file does not end in
    // one, and forces it to disk. A started line stays locked until this process ends. False when
    // it could not be written whole: errorString() says why.
    bool append(const QJsonObject& line);

  private:
    bool fail(const QString& error);

    int m_fd = -1;
    QString m_error;
    qint64 m_readTo = 0;
    int m_skipped = 0;
    QHash<QString, int> m_closed;  // closing lines by serial
    // Started lines without a closing line yet, by attempt: their serial and where they start.
    QHash<QString, std::pair<QString, qint64>> m_unclosed;
};
