// The channel table's start values, the effective code X2 and the table's bounds.
#include <gtest/gtest.h>

#include "effective_code.h"
#include "kt442x_module.h"

namespace kteval {
namespace {

// Catches wrong start values of a family, unused records left out, and the
// operator's A/B choice lost: 16 or 8 channels start at mid-scale, 40 or 32
// at a third. Without a part, 2^0 - 1 and 2^-1 (0.5 to even) both give 0.
// And an index outside 0-39 touching memory beside the table, in any build.
TEST(ChannelTableDeathTest, ResetGivesEveryRecordThePartsStartValues) {
    const std::tuple<const char*, int32_t, int32_t, int32_t> rows[] = {
        {"KT4410", 0xFFFF, 0x8000, 0x8000},
        {"KT4413", 0x3FFF, 0x2000, 0x2000},
        {"KT4421", 0x3FFF, 0x2000, 0x1555},
        {"KT4422", 0xFFFF, 0x8000, 0x5554}};
    for (const auto& [part, m, c, code] : rows) {
        KT442xModule module;
        module.DACs(3).ABsel = 1;
        module.DACs(39).X1A = 0x1234;
        module.applySetup(*findPart(part));
        module.ResetChannelTable();
        for (int i = 0; i < kChannelCount; ++i) {
            const DAC& r = module.DACs(i);
            for (int32_t v : {r.X1A, r.X1B, r.X2A, r.X2B, r.DACreg}) EXPECT_EQ(v, code) << i;
            EXPECT_TRUE(r.M == m && r.C == c) << part << " " << i;
        }
        EXPECT_EQ(module.DACs(3).ABsel, 1);
    }
    KT442xModule module;
    module.DACs(5).X1A = 7;
    module.DACs(5).M = 9;
    module.ResetChannelTable();
    module.resetOffsetCodes();
    EXPECT_TRUE(module.DACs(5).X1A == 7 && module.DACs(5).M == 0 && module.DACs(5).C == 0 &&
                module.OffsetCode[0] == 0);
    module.DACs(0).X2A = 5;
    EXPECT_TRUE(!updateX2(module) && module.DACs(0).X2A == 5);
    ChannelTable& table = module.DACs;
    const ChannelTable& constTable = table;
    for (int index : {-1, 40, 32767}) {
        EXPECT_DEATH(table(index), "contract violated: index >= 0 && index < kChannelCount");
        EXPECT_DEATH(constTable(index), "contract violated") << index;
    }
    EXPECT_DEATH(partByIndex(8), "contract violated");
}

// Catches the gain term M/2^n instead of (M+1)/2^n, ties rounded away from
// zero, clamping, and a code computed for an unknown width.
TEST(EffectiveCode, MatchesTheChipsArithmetic) {
    const std::tuple<int, int32_t, int32_t, int32_t, std::optional<int32_t>> rows[] = {
        {16, 0xFFFF, 0xFFFF, 0x8000, 0xFFFF},  // identity at full gain
        {16, 0, 0xFFFF, 0, -32768},            // negative, not clamped
        {16, 0xFFFF, 0xFFFF, 0xFFFF, 98302},   // above full scale
        {16, 0x8000, 0, 0x8000, 0},            // 0.5 rounds to even 0
        {16, 0x8000, 4, 0x8000, 2},            // 2.5 -> 2
        {14, 0x2000, 0, 0x2001, 2},            // 1.5 -> 2
        {14, 0x1555, 0x1FFF, 0x2000, 0x0AAA},  // 2730.5 -> 2730
        {0, 1, 2, 3, std::nullopt},           {12, 1, 2, 3, std::nullopt}};
    for (const auto& [bits, x1, m, c, x2] : rows)
        EXPECT_EQ(effectiveCode(bits, x1, m, c), x2) << bits << " " << x1 << " " << m << " " << c;
}

}  // namespace
}  // namespace kteval
