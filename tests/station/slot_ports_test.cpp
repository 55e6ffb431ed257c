// Slots are what an operator learns a fixture by, and a plug-in is what the line flashes: a slot
// that renumbers, a unit queued twice for one plug-in, a unit never queued, or a slot whose running
// upgrade is taken for unplugged sends units down the line unflashed or flashed twice. Each row
// hands the ports seen at each look, and reads the slots back.

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "station/SlotPorts.h"

namespace {

const QStringList kStates = {"Empty",    "LeftAlone", "Queued", "Starting",
                             "Flashing", "Pass",      "Fail",   "Unplugged"};

// "SERIAL@LOCATION", "SERIAL" without a location, "-@LOCATION" a bridge listed without its
// serial (held open by another process); separated by spaces.
QList<DeviceList::Details> ports(const QString& text) {
    QList<DeviceList::Details> seen;
    for (const QString& port : text.split(' ', Qt::SkipEmptyParts)) {
        const QString serial = port.section('@', 0, 0);
        seen.append({serial == "-" ? QString() : serial, port.section('@', 1), {}, {}});
    }
    return seen;
}

// Each slot as "NAME LOCATION SERIAL State", "-" for an empty text; separated by "; ".
QString shown(const SlotPorts& slotPorts) {
    QStringList texts;
    for (int index = 0; index < slotPorts.count(); ++index) {
        const SlotView& slot = slotPorts.slot(index);
        texts << QStringList{slot.name, slot.location, slot.serial, kStates[int(slot.state)]}
                     .replaceInStrings(QRegularExpression("^$"), "-")
                     .join(' ');
    }
    return texts.join("; ");
}

// One look: at `ms`, after the engine set the states of `engine` ("1=Pass 2=Flashing", slots
// from 1), with `seen` on the ports.
struct Look {
    qint64 ms;
    QString engine;
    QString seen;
    QString shown;
};

struct Row {
    const char* name;
    QHash<QString, QString> names;
    bool newOnly;
    QList<Look> looks;
};

// clang-format off
const Row rows[] = {
    {"numbered by location, a later lot after the first", {}, false, {
        {0, "", "B@0x1150 A@0x1140", "1 0x1140 A Queued; 2 0x1150 B Queued"},
        {500, "", "B@0x1150 C@0x1145 A@0x1140", "1 0x1140 A Queued; 2 0x1150 B Queued; 3 0x1145 C Queued"}}},
    {"named slots from the first look, the rest numbered after them", {{"0x1142", "Bay B"}}, false, {
        {0, "", "", "Bay B 0x1142 - Empty"},
        {500, "", "U1@0x1141 U2@0x1142", "Bay B 0x1142 U2 Queued; 2 0x1141 U1 Queued"}}},
    {"new only: the first units left alone until plugged in again", {}, true, {
        {0, "", "U1@1-1", "1 1-1 U1 LeftAlone"},
        {500, "", "U1@1-1 U2@1-2", "1 1-1 U1 LeftAlone; 2 1-2 U2 Queued"},
        {1000, "", "U2@1-2", "1 1-1 U1 Unplugged; 2 1-2 U2 Queued"},
        {1500, "", "U1@1-1 U2@1-2", "1 1-1 U1 Queued; 2 1-2 U2 Queued"}}},
    {"unplugged for three seconds, then empty", {}, false, {
        {0, "", "U1@1-1", "1 1-1 U1 Queued"},
        {500, "1=Pass", "", "1 1-1 U1 Unplugged"},
        {3500, "", "", "1 1-1 U1 Unplugged"},
        {3501, "", "", "1 1-1 - Empty"}}},
    {"a running upgrade keeps its slot whatever the port shows", {}, false, {
        {0, "", "U1@1-1 U2@1-2", "1 1-1 U1 Queued; 2 1-2 U2 Queued"},
        {500, "1=Starting 2=Flashing", "", "1 1-1 U1 Starting; 2 1-2 U2 Flashing"},
        {5000, "", "U3@1-1", "1 1-1 U1 Starting; 2 1-2 U2 Flashing"}}},
    {"a bridge held open may be the unit missing: not unplugged", {}, false, {
        {0, "", "U1@1-1", "1 1-1 U1 Queued"},
        {500, "1=Pass", "-@1-1", "1 1-1 U1 Pass"},
        {1000, "", "", "1 1-1 U1 Unplugged"}}},
    {"another unit in the port without an unplug seen is queued", {}, false, {
        {0, "", "U1@1-1", "1 1-1 U1 Queued"},
        {500, "1=Fail", "U2@1-1", "1 1-1 U2 Queued"}}},
    {"without a location the serial stands in, the same unit in its slot", {}, false, {
        {0, "", "U1", "1 - U1 Queued"},
        {500, "1=Pass", "U1", "1 - U1 Pass"},
        {1000, "", "U1 U2", "1 - U1 Pass; 2 - U2 Queued"}}},
    {"a location left out while held open keeps the unit in its slot", {}, false, {
        {0, "", "U1@0x1141", "1 0x1141 U1 Queued"},
        {500, "1=Pass", "U1", "1 0x1141 U1 Pass"}}},
    {"two channels of one chip: one location, two slots", {}, false, {
        {0, "", "A@1-1 B@1-1", "1 1-1 A Queued; 2 1-1 B Queued"},
        {500, "1=Pass", "", "1 1-1 A Unplugged; 2 1-1 B Unplugged"}}},
};
// clang-format on

class SlotPortsTable : public testing::TestWithParam<Row> {};

TEST_P(SlotPortsTable, FollowTheUnitsInTheirPorts) {
    const Row& row = GetParam();
    QString seen;
    SlotPorts slotPorts([&] { return ports(seen); }, row.names, row.newOnly);
    for (const Look& look : row.looks) {
        SCOPED_TRACE(look.ms);
        for (const QString& set : look.engine.split(' ', Qt::SkipEmptyParts)) {
            slotPorts.slot(set.section('=', 0, 0).toInt() - 1).state =
                SlotState(kStates.indexOf(set.section('=', 1)));
        }
        const int count = slotPorts.count();
        const QStringList was = shown(slotPorts).split("; ");
        seen = look.seen;
        const SlotPorts::Changes changes = slotPorts.look(look.ms);
        EXPECT_EQ(shown(slotPorts), look.shown);
        // The engine passes on exactly what changed, or a face shows a stale slot.
        EXPECT_EQ(changes.slotsAdded, slotPorts.count() > count);
        const QStringList now = shown(slotPorts).split("; ");
        for (int index = 0; index < count; ++index)
            EXPECT_EQ(changes.changed.contains(index), was[index] != now[index]) << index;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SlotPortsTable, testing::ValuesIn(rows),
                         [](const auto& info) { return std::to_string(info.index); });

}  // namespace
