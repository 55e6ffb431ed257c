// Stations on one line share a record file. A station that held every line it read back would
// grow by each attempt of every other station, shift after shift; it holds only the lines its own
// running upgrades will claim, and each upgrade finds its own lines.

#include <gtest/gtest.h>

#include "station/AttemptClaims.h"

namespace {

QJsonObject line(const QString& attempt, const QString& serial, bool started) {
    QJsonObject line{{"attempt", attempt}, {"serial", serial}};
    line.insert(started ? "state" : "outcome", started ? "started" : "upgraded");
    return line;
}

TEST(AttemptClaims, HoldsOnlyWhatItsOwnUpgradesClaim) {
    AttemptClaims claims;
    claims.expect("UNIT1");
    claims.expect("UNIT2");
    claims.name("UNIT2", "own-2");
    // The first upgrade's started line is read before its start event names the attempt.
    claims.offer(line("own-1", "UNIT1", true));
    for (int n = 0; n < 50'000; ++n) {
        const QString other = QString("other-%1").arg(n);
        claims.offer(line(other, "OTHER" + QString::number(n), n % 2 == 0));
    }
    claims.offer(line("earlier", "UNIT2", false));  // the same unit flashed on another station
    claims.offer(line("own-2", "UNIT2", true));
    claims.offer(line("own-2", "UNIT2", false));
    EXPECT_EQ(claims.held(), 3);

    const AttemptClaims::Lines second = claims.claim("UNIT2", "own-2");
    EXPECT_EQ(second.started, line("own-2", "UNIT2", true));
    EXPECT_EQ(second.closing, line("own-2", "UNIT2", false));
    EXPECT_EQ(claims.held(), 1);

    // An upgrade that died before it named its attempt claims nothing, and leaves nothing held.
    const AttemptClaims::Lines first = claims.claim("UNIT1", "");
    EXPECT_TRUE(first.started.isEmpty() && first.closing.isEmpty());
    EXPECT_EQ(claims.held(), 0);
    claims.offer(line("own-1", "UNIT1", false));
    EXPECT_EQ(claims.held(), 0);
}

}  // namespace
