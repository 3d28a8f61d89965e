#include "effective_code.h"

#include <gtest/gtest.h>

#include "kt442x_module.h"

namespace kteval {
namespace {

struct X2Row {
    int bits;
    int32_t x1, m, c;
    std::optional<int32_t> x2;  // nullopt: no part, nothing computed
};

class EffectiveCodeTest : public ::testing::TestWithParam<X2Row> {};

TEST_P(EffectiveCodeTest, MatchesTheChipsArithmetic) {
    const X2Row row = GetParam();
    EXPECT_EQ(effectiveCode(row.bits, row.x1, row.m, row.c), row.x2);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(ExtremesAndTies, EffectiveCodeTest, ::testing::Values(
    X2Row{16, 0xFFFF, 0xFFFF, 0x8000, 0xFFFF},  // identity at full gain
    X2Row{16, 0, 0xFFFF, 0, -32768},            // negative, not clamped
    X2Row{16, 0xFFFF, 0xFFFF, 0xFFFF, 98302},   // above full scale
    X2Row{16, 0x8000, 0, 0x8000, 0},            // 0.5 rounds to even 0
    X2Row{16, 0x8000, 4, 0x8000, 2},            // 2.5 -> 2
    X2Row{14, 0x3FFF, 0x3FFF, 0x2000, 0x3FFF},
    X2Row{14, 0x2000, 0, 0x2001, 2},            // 1.5 -> 2
    X2Row{14, 0x1555, 0x1FFF, 0x2000, 0x0AAA},  // 2730.5 -> 2730
    X2Row{0, 1, 2, 3, std::nullopt}, X2Row{12, 1, 2, 3, std::nullopt}));
// clang-format on

TEST(UpdateX2, WithoutAPartNothingChanges) {
    KT442xModule module;
    module.DACs(0).X2A = 5;
    EXPECT_FALSE(updateX2(module));
    EXPECT_EQ(module.DACs(0).X2A, 5);
}

}  // namespace
}  // namespace kteval
