#include "cli/StationScreen.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QMap>
#include <atomic>

#include "cli/CommandLine.h"
#include "station/StationEngine.h"

namespace {

using StationLines::SlotLine;
using StationLines::Tone;

std::atomic<bool> resized{true};

void noteResize(int) {
    resized = true;
}

const char* toneCode(Tone tone) {
    switch (tone) {
        case Tone::Running:
            return "\x1b[33m";
        case Tone::Pass:
            return "\x1b[32m";
        case Tone::Fail:
        case Tone::Alert:
            return "\x1b[1;31m";
        case Tone::Plain:
            break;
    }
    return "";
}

SlotLine plain(const QString& text, Tone tone = Tone::Plain) {
    return {QString(), text, QString(), tone};
}

bool hasUnit(const SlotView& slot) {
    return slot.state != SlotState::Empty && slot.state != SlotState::Unplugged;
}

StationScreen::Snapshot snapshotOf(const StationEngine& engine, bool interrupted,
                                   const QString& link) {
    StationScreen::Snapshot snapshot{.image = engine.image(),
                                     .slotViews = {},
                                     .totals = engine.totals(),
                                     .stopReason = engine.stopReason(),
                                     .stopping = engine.stopping(),
                                     .interrupted = interrupted,
                                     .link = link};
    for (int index = 0; index < engine.slotCount(); ++index) {
        snapshot.slotViews << engine.slot(index);
    }
    return snapshot;
}

// What stays below the slots: the waiting notice, the totals, and what must stay in view.
QList<SlotLine> footer(const StationScreen::Snapshot& snapshot) {
    QList<SlotLine> lines;
    const QList<SlotView>& views = snapshot.slotViews;
    if (std::none_of(views.begin(), views.end(), hasUnit)) {
        lines << plain(StationLines::WaitingForUnits());
    }
    lines << plain(StationLines::Summary(snapshot.totals));
    if (!snapshot.stopReason.isEmpty()) {
        lines << plain(StationLines::LineStopped(snapshot.stopReason), Tone::Alert);
    }
    if (!snapshot.link.isEmpty()) lines << plain(snapshot.link, Tone::Alert);
    if (const int running = snapshot.totals.running; snapshot.interrupted && running > 0) {
        lines << plain(StationLines::StillRunning(running), Tone::Alert);
    }
    return lines;
}

// How much a slot needs an eye, most first: a unit running or failed, one to take off, one yet to
// flash, then the slots with no unit in them, which fold away first.
int need(SlotState state) {
    switch (state) {
        case SlotState::Starting:
        case SlotState::Flashing:
        case SlotState::Fail:
            return 0;
        case SlotState::Pass:
            return 1;
        case SlotState::Queued:
        case SlotState::LeftAlone:
            return 2;
        case SlotState::Empty:
        case SlotState::Unplugged:
            break;
    }
    return 3;
}

// The slots in view: all that fit in `room` rows, else those that need an eye first, in slot
// order, with a row left for counting the rest.
QList<int> inView(const QList<SlotView>& views, int room) {
    QList<int> shown;
    for (int index = 0; index < views.size(); ++index) shown << index;
    if (shown.size() <= room) return shown;
    std::stable_sort(shown.begin(), shown.end(), [&](int first, int second) {
        return need(views[first].state) < need(views[second].state);
    });
    shown.resize(qMax(room - 1, 0));
    std::sort(shown.begin(), shown.end());
    return shown;
}

// "and 6 more: 2 queued, 4 PASS"
QString hiddenCounts(const QMap<SlotState, int>& rest) {
    QStringList counts;
    int hidden = 0;
    for (auto it = rest.begin(); it != rest.end(); ++it) {
        counts << QStringLiteral("%1 %2").arg(*it).arg(StationLines::StateWord(it.key()));
        hidden += *it;
    }
    return QStringLiteral("and %1 more: %2").arg(hidden).arg(counts.join(", "));
}

}  // namespace

StationScreen::StationScreen(bool colour) : m_colour(colour) {
    struct sigaction action {};
    action.sa_handler = noteResize;
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, nullptr);
}

StationScreen::~StationScreen() {
    signal(SIGWINCH, SIG_DFL);
}

void StationScreen::draw(const StationEngine& engine, bool interrupted, const QString& link) {
    if (resized.exchange(false)) {
        winsize size{};
        if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
            m_columns = size.ws_col;
            m_rows = size.ws_row;
        }
        // Lines drawn at the old width may have been rewrapped by the terminal: start afresh from
        // the top, over whatever they have become.
        m_fromTop = !m_shown.isEmpty();
        m_shown.clear();
    }
    QStringList lines;
    for (const SlotLine& line : Frame(snapshotOf(engine, interrupted, link), m_rows)) {
        lines << Fitted(line, m_columns, m_colour);
    }
    if (lines == m_shown) return;
    // Each line is one row; the cursor rests on the row below the last.
    QString out = m_fromTop           ? QStringLiteral("\x1b[H")
                  : m_shown.isEmpty() ? QString()
                                      : QStringLiteral("\r\x1b[%1A").arg(m_shown.size());
    for (const QString& line : lines) out += QStringLiteral("\x1b[2K") + line + '\n';
    CommandLine::Out(out + QStringLiteral("\x1b[J"), false);
    m_fromTop = false;
    m_shown = lines;
}

QList<SlotLine> StationScreen::Frame(const Snapshot& snapshot, int rows) {
    const QList<SlotLine> after = footer(snapshot);
    // The cursor's row stays free, so that the screen never scrolls.
    const int room = rows - 1 - 2 - int(after.size());
    const QList<SlotView>& views = snapshot.slotViews;
    int nameWidth = 0;
    for (const SlotView& slot : views)
        nameWidth = qMax(nameWidth, StationLines::Columns(slot.name));
    const QList<int> shown = inView(views, room);
    QList<SlotLine> lines;
    for (const QString& line : StationLines::Header(snapshot.image)) lines << plain(line);
    QMap<SlotState, int> rest;
    for (int index = 0; index < views.size(); ++index) {
        if (shown.contains(index)) {
            lines << StationLines::Slot(views[index], nameWidth, snapshot.stopping);
        } else {
            ++rest[views[index].state];
        }
    }
    if (!rest.isEmpty()) lines << plain(hiddenCounts(rest));
    lines << after;
    // A terminal too small even for these keeps the newest news: the header goes first.
    while (lines.size() > rows - 1 && !lines.isEmpty()) lines.removeFirst();
    return lines;
}

QString StationScreen::Fitted(const SlotLine& line, int columns, bool colour) {
    QString out;
    int room = columns - 1;
    // A cut line says so in its last column.
    const bool cut = StationLines::Columns(line.text()) > room;
    if (cut) --room;
    const auto add = [&](const QString& text) {
        for (const char32_t character : text.toUcs4()) {
            room -= StationLines::Columns(QString::fromUcs4(&character, 1));
            if (room < 0) return false;
            out += QString::fromUcs4(&character, 1);
        }
        return true;
    };
    const bool toned = colour && line.tone != Tone::Plain;
    if (add(line.lead)) {
        if (toned) out += QLatin1String(toneCode(line.tone));
        const bool whole = add(line.state);
        if (toned) out += QStringLiteral("\x1b[0m");
        if (whole) add(line.rest);
    }
    return cut && columns > 1 ? out + QStringLiteral("…") : out;
}
