// The fast link tunes the bridge for the length of an upgrade and must put it back; where it
// cannot, one note says why in words the technician can act on. A note that blames the bridge
// for a permission the user lacks, or a timer left at 1 ms, sends them after the wrong fix or
// slows every other program on that bridge. The library is a fake whose latency calls answer as
// each row scripts them.

#include <gtest/gtest.h>

#include <QList>

#include "link/FTDI.h"
#include "link/FastLink.h"

namespace {

using namespace FTDI;

std::optional<UCHAR> g_found;
QList<FT_STATUS> g_answers;  // to the sets, in order; FT_OK once they run out
QStringList g_sets;

FT_STATUS D2XX_CALL getLatencyTimer(FT_HANDLE, UCHAR* ms) {
    if (!g_found) return FT_IO_ERROR;
    *ms = *g_found;
    return FT_OK;
}

FT_STATUS D2XX_CALL setLatencyTimer(FT_HANDLE, UCHAR ms) {
    g_sets << QString::number(ms);
    return g_answers.isEmpty() ? FT_OK : g_answers.takeFirst();
}

const D2xxApi kFake{.GetLatencyTimer = getLatencyTimer, .SetLatencyTimer = setLatencyTimer};

constexpr FT_STATUS NotWritable = FT_DEVICE_NOT_OPENED_FOR_WRITE;

// option: --latency-ms; sets: the values set, engaging then restoring; notes: engaging's, then
// restoring's, "" for none.
struct Row {
    const char* name;
    QString option;
    std::optional<UCHAR> found;
    QList<FT_STATUS> answers;
    QString sets;
    QString notes;
};
// clang-format off
const Row rows[] = {
    {"1 ms taken, 16 ms put back", "", 16, {}, "1 16", "|"},
    {"the value asked for only", "5", 16, {}, "5 16", "|"},
    {"below the bridge's floor: the nearest it accepts, said once", "1", 16, {FT_INVALID_PARAMETER}, "1 2 16", "the bridge refuses a latency timer of 1 ms; the upgrade runs at 2 ms, the nearest it accepts|"},
    {"nothing below its own accepted", "13", 16, {FT_INVALID_PARAMETER, FT_INVALID_PARAMETER, FT_INVALID_PARAMETER}, "13 14 15", "the bridge refuses a latency timer of 13 ms; the upgrade runs at its 16 ms as before|"},
    {"left alone", "keep", 16, {}, "", "|"},
    {"the bridge refuses both", "", 16, {FT_INVALID_PARAMETER, FT_IO_ERROR}, "1 2", "the bridge refuses a latency timer of 1 or 2 ms; the upgrade runs at its 16 ms as before|"},
    {"the attribute not writable", "", 16, {NotWritable, NotWritable}, "1 2", "a latency timer of 1 or 2 ms needs the port's latency_timer attribute, which is not writable (root, or a udev rule); the upgrade runs at the bridge's 16 ms as before|"},
    {"the timer unreadable", "", std::nullopt, {}, "", "the bridge's latency timer cannot be read, so it is left alone; the upgrade runs at the bridge's pace|"},
    {"not put back", "", 16, {FT_OK, FT_IO_ERROR}, "1 16", "|the bridge's latency timer could not be put back to 16 ms"},
};
// clang-format on

TEST(FastLink, TunesTheBridgeAndSaysWhyNot) {
    InstallApi(&kFake);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        g_found = row.found;
        g_answers = row.answers;
        g_sets.clear();
        std::optional<FastLink> link = FastLink::FromOption(row.option);
        ASSERT_TRUE(link);
        const QString engaged = link->engage().value_or("");
        const QString restored = link->restore().value_or("");
        EXPECT_EQ(g_sets.join(' ').toStdString(), row.sets.toStdString());
        EXPECT_EQ((engaged + '|' + restored).toStdString(), row.notes.toStdString());
    }
    InstallApi(nullptr);
}

}  // namespace
