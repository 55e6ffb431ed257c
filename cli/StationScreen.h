#pragma once

// The station on a terminal: the image, one line a slot in slot order, the totals and what must
// stay in view, redrawn in place. No line ever wraps, since each is cut to the terminal's width,
// so a redraw moves up by exactly the rows it drew; when the terminal changes size (SIGWINCH) its
// size is read again and the screen drawn afresh. With more slots than rows, the slots without a
// unit are counted first, so that the running, failed and passed ones stay in view.

#include <QStringList>

#include "cli/StationLines.h"

class StationEngine;

class StationScreen {
  public:
    // The station as one frame shows it.
    struct Snapshot {
        ImageSummary image;
        QList<SlotView> slotViews;
        Totals totals;
        QString stopReason;
        bool stopping = false;
        bool interrupted = false;  // after the first interrupt, which the screen then says
        QString link;              // how the link to the line stands; "" while fine
    };

    // `colour`: the state words in colour (not with NO_COLOR set).
    explicit StationScreen(bool colour);
    ~StationScreen();

    void draw(const StationEngine& engine, bool interrupted, const QString& link);

    // The lines of a terminal `rows` high, the cursor's row left free.
    static QList<StationLines::SlotLine> Frame(const Snapshot& snapshot, int rows);
    // The line cut to one column short of `columns`, ending in "…" where it is cut, its state word
    // in colour with `colour`.
    static QString Fitted(const StationLines::SlotLine& line, int columns, bool colour);

  private:
    bool m_colour;
    int m_columns = 80;
    int m_rows = 24;
    bool m_fromTop = false;
    QStringList m_shown;
};
