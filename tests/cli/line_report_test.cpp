// `line` prints what anyone who may publish on the line's topics wrote: escape sequences in it
// would clear, retitle or rewrite the technician's terminal.

#include <gtest/gtest.h>

#include "cli/LineReport.h"

namespace {

TEST(LineReport, TextFromTheBrokerCannotSteerTheTerminal) {
    const QString steering = "\x1b]0;pwned\x07\x1b[2J\u009b";
    StationEntry station{"S1", true, {}, {}};
    station.status = {
        {"state", "line_stopped"},
        {"line_stopped_reason", steering},
        {"image", QJsonObject{{"file", steering}, {"key", "K"}, {"sha256", QString(64, 'a')}}},
        {"last_failure", QJsonObject{{"serial", "U1"}, {"detail", steering}, {"hint", steering}}}};
    for (const QString& line : LineReport::StationLines(station)) {
        for (const QChar c : line) {
            EXPECT_FALSE(c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
                << line.toStdString();
        }
        EXPECT_TRUE(line.contains("\\x1b]0;pwned\\x07\\x1b[2J\\x9b")) << line.toStdString();
    }
}

}  // namespace
