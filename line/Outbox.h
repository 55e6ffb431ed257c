#pragma once

// The record file is the station's outbox: every line of this station's goes to the broker in
// file order, and the broker's acknowledgements move a cursor that a file beside the record file
// keeps (one a station name), replaced whole each time. After a broker outage, a network cut or a
// station killed, what lies past the cursor goes out first, so nothing is skipped. A line may go
// twice (acknowledged, and the station gone before the cursor was written): consumers drop
// repeats by `attempt` and `state`. The cursor names the file it counts in, so that a file
// rotated away and another under its name is read from its start, never from the old one's
// cursor (a rotated file of the same folder is found by its cursor and its rest sent first); during
// a run the outbox follows the name once the old file's lines are through.

#include <QByteArray>
#include <QList>
#include <QString>
#include <deque>
#include <optional>
#include <utility>

#include "station/FileLines.h"

class Outbox {
  public:
    Outbox(QString recordPath, QString station);
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;
    ~Outbox();

    // The cursor file that goes with `recordPath` for `station`.
    static QString CursorPath(const QString& recordPath, const QString& station);

    // Opens the record file and reads the cursor (from the start when there is none, or when it
    // does not fit the file), then writes it back, so that a folder that cannot take it is found
    // at start. Why not, when not.
    std::optional<QString> open();

    // Reads what was appended since, keeping this station's whole lines; a last line without its
    // line feed waits for it, and a line longer than any record is passed over. Once every line
    // of a file that no longer goes by the record file's name is acknowledged, and `mayFollow`
    // says that nothing appends to it any more (no upgrade that opened it still runs), goes on
    // with the file that does.
    void readNew(bool mayFollow);
    // Lines read and not yet acknowledged.
    int waiting() const { return int(m_pending.size()); }

    struct Line {
        qint64 end = 0;    // where it ends in the file: what acknowledged() takes
        QByteArray bytes;  // as in the file, without its line feed
    };
    // The next `count` lines at most that were not handed out yet, in file order.
    QList<Line> next(int count);
    // Every line not acknowledged goes out again, from the first (the link dropped).
    void resend();
    void acknowledged(qint64 end);

    // Writes the cursor when it moved. False when it could not be: errorString() says why.
    bool saveCursor();
    QString errorString() const { return m_error; }

  private:
    struct Pending {
        qint64 begin = 0;
        qint64 end = 0;  // past its line feed
        bool acknowledged = false;
    };
    qint64 cursor() const {
        return m_pending.empty() ? m_readTo.lineStart : m_pending.front().begin;
    }
    qint64 resumeFromCursor();
    int openRenamed(std::pair<qint64, qint64> file) const;
    void readForward();
    bool followName();

    QString m_recordPath;
    QString m_station;
    QString m_cursorPath;
    int m_fd = -1;
    FileLines::Position m_readTo;
    std::deque<Pending> m_pending;
    size_t m_handedOut = 0;  // of m_pending, from the front
    qint64 m_savedCursor = -1;
    QString m_error;
};
