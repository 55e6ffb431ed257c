// The line's warning that its stations run different images: false alarms teach the engineer to
// ignore it, so one image under two file names is no mix; an offline station runs nothing.

#include <gtest/gtest.h>

#include "line/LineTexts.h"

namespace {

// "NAME FILE KEY D" a station each, separated by ", ": D repeated is its image's SHA-256; "off"
// after it for one offline.
QList<StationEntry> stations(const QString& text) {
    QList<StationEntry> entries;
    for (const QString& station : text.split(", ")) {
        const QStringList words = station.split(' ');
        const QJsonObject image{
            {"file", words[1]}, {"key", words[2]}, {"sha256", words[3].repeated(64)}};
        entries.append({words[0], words.value(4) != "off", {}, QJsonObject{{"image", image}}});
    }
    return entries;
}

TEST(MixedImages, WarnsOnlyWhenTheBytesDiffer) {
    const struct {
        const char* stations;
        QString warning;
    } rows[] = {
        {"S1 v2.frw K1 a, S2 copy.frw K1 a", ""},
        {"S1 v2.frw K1 a, S2 v3.frw K1 b",
         "the stations run different images: S1 on v2.frw  key K1  SHA-256 aaaaaaaa; S2 on v3.frw  "
         "key K1  SHA-256 bbbbbbbb"},
        {"S1 v2.frw K1 a, S2 v2.frw K2 b",
         "the stations run different keys: S1 on v2.frw  key K1  SHA-256 aaaaaaaa; S2 on v2.frw  "
         "key K2  SHA-256 bbbbbbbb"},
        {"S1 v2.frw K1 a, S2 v3.frw K1 b off", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(LineTexts::MixedImages(stations(row.stations)), row.warning) << row.stations;
}

}  // namespace
