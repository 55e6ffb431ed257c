#include "cli/StationScreen.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QMap>
#include <atomic>
#include <cwchar>

#include "cli/CommandLine.h"

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

// Columns a character takes on the terminal: two for a wide one, none for a combining mark.
int columnsOf(char32_t character) {
    const int width = ::wcwidth(wchar_t(character));
    return width < 0 ? 1 : width;
}

SlotLine plain(const QString& text, Tone tone = Tone::Plain) {
    return {QString(), text, QString(), tone};
}

bool hasUnit(SlotState state) {
    return state != SlotState::Empty && state != SlotState::Unplugged;
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

void StationScreen::draw(const StationEngine& engine, bool interrupted) {
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
    for (const SlotLine& line : frame(engine, interrupted)) lines << fitted(line);
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

QList<SlotLine> StationScreen::frame(const StationEngine& engine, bool interrupted) const {
    QList<SlotLine> after;
    bool anyUnit = false;
    for (int index = 0; index < engine.slotCount(); ++index) {
        anyUnit = anyUnit || hasUnit(engine.slot(index).state);
    }
    if (!anyUnit) after << plain(StationLines::WaitingForUnits());
    after << plain(StationLines::Summary(engine.totals()));
    if (!engine.stopReason().isEmpty()) {
        after << plain(StationLines::LineStopped(engine.stopReason()), Tone::Alert);
    }
    if (const int running = engine.totals().running; interrupted && running > 0) {
        after << plain(StationLines::StillRunning(running), Tone::Alert);
    }
    // The cursor's row stays free, so that the screen never scrolls.
    const int room = m_rows - 1 - 1 - int(after.size());

    int nameWidth = 0;
    for (int index = 0; index < engine.slotCount(); ++index) {
        nameWidth = qMax(nameWidth, int(engine.slot(index).name.size()));
    }
    // The slots in view: all that fit, else those that need an eye first, in slot order.
    QList<int> shown;
    for (int index = 0; index < engine.slotCount(); ++index) shown << index;
    if (shown.size() > room) {
        std::stable_partition(shown.begin(), shown.end(), [&](int index) {
            const SlotState state = engine.slot(index).state;
            return UpgradeRuns(state) || state == SlotState::Fail;
        });
        shown.resize(qMax(room - 1, 0));
        std::sort(shown.begin(), shown.end());
    }
    QList<SlotLine> lines{plain(StationLines::Header(engine.image()))};
    QMap<SlotState, int> rest;
    for (int index = 0; index < engine.slotCount(); ++index) {
        const SlotView& slot = engine.slot(index);
        if (shown.contains(index)) {
            lines << StationLines::Slot(slot, nameWidth, engine.stopping());
        } else {
            ++rest[slot.state];
        }
    }
    if (!rest.isEmpty()) {
        QStringList counts;
        int hidden = 0;
        for (auto it = rest.begin(); it != rest.end(); ++it) {
            counts << QStringLiteral("%1 %2").arg(*it).arg(StationLines::StateWord(it.key()));
            hidden += *it;
        }
        lines << plain(QStringLiteral("and %1 more: %2").arg(hidden).arg(counts.join(", ")));
    }
    lines << after;
    // A terminal too small even for these keeps the newest news: the header goes first.
    while (lines.size() > m_rows - 1 && !lines.isEmpty()) lines.removeFirst();
    return lines;
}

// The line cut to one column short of the width, so that the cursor never waits at the margin.
QString StationScreen::fitted(const SlotLine& line) const {
    QString out;
    int room = m_columns - 1;
    const auto add = [&](const QString& text) {
        for (const char32_t character : text.toUcs4()) {
            room -= columnsOf(character);
            if (room < 0) return false;
            out += QString::fromUcs4(&character, 1);
        }
        return true;
    };
    const bool toned = m_colour && line.tone != Tone::Plain;
    if (!add(line.lead)) return out;
    if (toned) out += QLatin1String(toneCode(line.tone));
    const bool whole = add(line.state);
    if (toned) out += QStringLiteral("\x1b[0m");
    if (whole) add(line.rest);
    return out;
}
