// The codes a run measures and the channel lists the user writes.
#include "code_set.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kteval {
namespace {

// Catches a missing end code, a carry measured on one side only, an unsorted
// or repeated code, and a set too large for a default run.
TEST(CodeSet, DefaultCodesHoldEndsAndBothSidesOfEachCarry) {
    for (int bits : {14, 16}) {
        const std::vector<int32_t> codes = defaultCodes(bits);
        const int32_t largest = (1 << bits) - 1;
        ASSERT_FALSE(codes.empty());
        EXPECT_EQ(codes.front(), 0);
        EXPECT_EQ(codes.back(), largest);
        EXPECT_TRUE(std::adjacent_find(codes.begin(), codes.end(), std::greater_equal<>()) ==
                    codes.end())
            << bits;
        EXPECT_GE(codes.size(), 256u);
        EXPECT_LE(codes.size(), 320u);
        const auto has = [&](int32_t code) {
            return std::binary_search(codes.begin(), codes.end(), code);
        };
        for (int k = 1; k < 16; ++k) {
            const int32_t carry = k << (bits - 4);
            EXPECT_TRUE(has(carry - 1) && has(carry)) << bits << " carry " << carry;
        }
        const int32_t mid = 1 << (bits - 1);
        EXPECT_TRUE(has(mid - 2) && has(mid + 1)) << bits;
        EXPECT_EQ(everyCode(bits).size(), static_cast<std::size_t>(largest) + 1);
        EXPECT_EQ(everyCode(bits).back(), largest);
    }
    EXPECT_TRUE(defaultCodes(12).empty());
    EXPECT_TRUE(everyCode(15).empty());
}

// Catches unsorted or repeated channels, a range losing an end, blanks
// refused, and malformed, backward or out-of-range lists accepted.
TEST(CodeSet, ChannelListRows) {
    const std::pair<const char*, std::vector<int>> rows[] = {
        {"0-3,8", {0, 1, 2, 3, 8}},
        {" 8 , 2 - 3,2", {2, 3, 8}},
        {"39", {39}},
        {"5-5,4", {4, 5}},
        {"", {}},
        {"1,", {}},
        {"1,,2", {}},
        {"a", {}},
        {"3-1", {}},
        {"1-", {}},
        {"-1", {}},
        {"1-2-3", {}},
        {"+2", {}},
        {"2.5", {}},
        {"40", {}},
        {"0-99999999999", {}},
    };
    for (const auto& [text, channels] : rows) {
        const ChannelList list = parseChannelList(text, 39);
        EXPECT_EQ(list.channels, channels) << text;
        EXPECT_EQ(list.error.empty(), !channels.empty()) << text << ": " << list.error;
    }
}

}  // namespace
}  // namespace kteval
