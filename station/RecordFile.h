#pragma once

// The production line's record of every attempt, one JSON object a line: a started line before the
// unit is touched and a closing line once it is closed again, each appended by the process that
// flashes the unit in one write and forced to disk, so that a station that dies loses nothing. The
// file is never rewritten; a line cut short (a full disk) stays a line of its own and counts for
// nothing. While an upgrade runs it holds a lock on its started line, so that a reader can tell an
// attempt that is still running from one whose process died.

#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>

#include "station/FileLines.h"

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

    // Reads the lines appended since the last call and hands each attempt line to `sink`, in
    // file order. A line that is not one is skipped and counted; a last line without its line feed
    // is left for the next call. Once the path names another file, or none (the file was renamed,
    // by log rotation or by hand), the file at the path is read and appended to from then on, and
    // the one held before is still read, for the writers that opened it before. False when the
    // path can no longer be opened: errorString() says why.
    bool readNew(const std::function<void(const QJsonObject&)>& sink = {});
    // Stops reading the files the path named before, once nobody who opened them still writes.
    void forgetEarlier();
    int skippedLines() const { return m_skipped; }

    // The attempts on `serial` the whole file holds: each closing line, and each started line
    // without one whose process is gone (as a `process_died`). The lines that do not name the
    // serial are passed over unparsed, so that a file of years costs little to read.
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
    bool openPath();
    bool moved() const;

    struct Earlier {
        int fd;
        FileLines::Position readTo;
    };

    QString m_path;
    int m_fd = -1;
    QString m_error;
    FileLines::Position m_readTo;
    QList<Earlier> m_earlier;
    int m_skipped = 0;
};
