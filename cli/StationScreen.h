#pragma once

// The station on a terminal: the image, one line a slot in slot order, the totals and what must
// stay in view, redrawn in place. No line ever wraps, since each is cut to the terminal's width,
// so a redraw moves up by exactly the rows it drew; when the terminal changes size (SIGWINCH) its
// size is read again and the screen drawn afresh. With more slots than rows, the running and
// failed ones are shown and the rest counted.

#include <QStringList>

#include "cli/StationLines.h"
#include "station/StationEngine.h"

class StationScreen {
  public:
    // `colour`: the state words in colour (not with NO_COLOR set).
    explicit StationScreen(bool colour);
    ~StationScreen();

    // `interrupted`: after the first interrupt, which the screen then says.
    void draw(const StationEngine& engine, bool interrupted);

  private:
    QList<StationLines::SlotLine> frame(const StationEngine& engine, bool interrupted) const;
    QString fitted(const StationLines::SlotLine& line) const;

    bool m_colour;
    int m_columns = 80;
    int m_rows = 24;
    bool m_fromTop = false;
    QStringList m_shown;
};
