#include <gtest/gtest.h>

#include "kt442x_module.h"

namespace kteval {
namespace {

struct ResetRow {
    const char* part;
    int32_t m;
    int32_t c;
    int32_t code;
};

class ResetChannelTableTest : public ::testing::TestWithParam<ResetRow> {};

TEST_P(ResetChannelTableTest, EveryRecordIncludingUnusedOnesGetsThePartsStartValues) {
    const ResetRow row = GetParam();
    KT442xModule module;
    module.DACs(3).ABsel = 1;
    module.DACs(39).X1A = 0x1234;
    module.applySetup(*findPart(row.part));
    module.ResetChannelTable();
    for (int i = 0; i < kChannelCount; ++i) {
        const DAC& r = module.DACs(i);
        EXPECT_EQ(r.M, row.m) << i;
        EXPECT_EQ(r.C, row.c) << i;
        for (int32_t v : {r.X1A, r.X1B, r.X2A, r.X2B, r.DACreg}) EXPECT_EQ(v, row.code) << i;
    }
    EXPECT_EQ(module.DACs(3).ABsel, 1);  // the operator's A/B choice survives a reset
}

// One part of each family: 16 or 8 channels start at mid-scale, 40 or 32 at a third.
INSTANTIATE_TEST_SUITE_P(Families, ResetChannelTableTest,
                         ::testing::Values(ResetRow{"KT4410", 0xFFFF, 0x8000, 0x8000},
                                           ResetRow{"KT4413", 0x3FFF, 0x2000, 0x2000},
                                           ResetRow{"KT4421", 0x3FFF, 0x2000, 0x1555},
                                           ResetRow{"KT4422", 0xFFFF, 0x8000, 0x5554}));

// Without a part, 2^0 - 1 and 2^-1 (0.5, rounded to even) both give 0.
TEST(KT442xModule, WithoutAPartTheResetZeroesGainAndOffsetOnly) {
    KT442xModule module;
    module.DACs(5).X1A = 7;
    module.DACs(5).M = 9;
    module.ResetChannelTable();
    module.resetOffsetCodes();
    EXPECT_EQ(module.DACs(5).X1A, 7);
    EXPECT_EQ(module.DACs(5).M, 0);
    EXPECT_EQ(module.DACs(5).C, 0);
    EXPECT_EQ(module.OffsetCode[0], 0);
}

// Checked in every build type, Release included: an index outside 0-39 stops
// the program with a message instead of touching memory beside the table.
TEST(ChannelTableDeathTest, IndexOutsideTheTableStopsWithAMessage) {
    ChannelTable table;
    const ChannelTable& constTable = table;
    for (int index : {-1, 40, 32767}) {
        EXPECT_DEATH(table(index), "contract violated: index >= 0 && index < kChannelCount")
            << index;
        EXPECT_DEATH(constTable(index), "contract violated") << index;
    }
    EXPECT_DEATH(partByIndex(8), "contract violated");
}

}  // namespace
}  // namespace kteval
