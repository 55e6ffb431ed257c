// The line's warning that its stations run different images: false alarms teach the engineer to
// ignore it, so one image under two file names is no mix; an offline station runs nothing.

#include <gtest/gtest.h>

#include "line/LineTexts.h"

namespace {

StationEntry station(const QString& name, const QString& file, const QString& key,
                     const QString& sha256, bool online = true) {
    return {name,
            online,
            {},
            QJsonObject{{"image", QJsonObject{{"file", file}, {"key", key}, {"sha256", sha256}}}}};
}

TEST(MixedImages, WarnsOnlyWhenTheBytesDiffer) {
    const QString a(64, 'a');
    const QString b(64, 'b');
    struct Row {
        const char* name;
        QList<StationEntry> stations;
        QString warning;
    };
    const Row rows[] = {
        {"one image under two names",
         {station("S1", "v2.frw", "K1", a), station("S2", "copy.frw", "K1", a)},
         ""},
        {"two images, one key",
         {station("S1", "v2.frw", "K1", a), station("S2", "v3.frw", "K1", b)},
         "the stations run different images: S1 on v2.frw  key K1  SHA-256 aaaaaaaa; S2 on v3.frw  "
         "key K1  SHA-256 bbbbbbbb"},
        {"two keys",
         {station("S1", "v2.frw", "K1", a), station("S2", "v2.frw", "K2", b)},
         "the stations run different keys: S1 on v2.frw  key K1  SHA-256 aaaaaaaa; S2 on v2.frw  "
         "key K2  SHA-256 bbbbbbbb"},
        {"the other image on an offline station",
         {station("S1", "v2.frw", "K1", a), station("S2", "v3.frw", "K1", b, false)},
         ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(LineTexts::MixedImages(row.stations), row.warning) << row.name;
    }
}

}  // namespace
