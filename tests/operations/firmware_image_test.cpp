// The record count decides what reaches the device: a count that rounds a partial record up, or
// wraps past a 32-bit length, would send bytes the image does not hold.

#include <gtest/gtest.h>

#include <limits>

#include "operations/FirmwareImage.h"

namespace {

struct Case {
    qint64 length;
    std::optional<std::int32_t> records;
};

class RecordCountTest : public testing::TestWithParam<Case> {};

TEST_P(RecordCountTest, CountsWholeRecordsOnly) {
    EXPECT_EQ(FirmwareImage::RecordCount(GetParam().length), GetParam().records)
        << "length " << GetParam().length;
}

constexpr qint64 kLongest = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(Lengths, RecordCountTest,
                         testing::Values(Case{0, {}}, Case{7, {}}, Case{8, {}}, Case{14, {}},
                                         Case{15, {}}, Case{20, {}}, Case{21, 1}, Case{27, 1},
                                         Case{28, {}}, Case{34, 2}, Case{8 + 13 * 1000, 1000},
                                         Case{kLongest, (kLongest - 8) / 13},
                                         Case{kLongest + 1, {}}, Case{qint64(1) << 40, {}}));

}  // namespace
