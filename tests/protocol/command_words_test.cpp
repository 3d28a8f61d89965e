#include "command_words.h"

#include <gtest/gtest.h>

namespace kteval::word {
namespace {

TEST(CommandWords, ChannelWordsAndScaling) {
    struct Row {
        const char* what;
        int32_t word;
        int32_t expected;
    };
    const Row rows[] = {
        {"X 0x1234 ch0 16-bit", channelWord(kModeX, 16, 0, 0x1234), 0xC81234},
        {"X 0x3FFF ch39 14-bit", channelWord(kModeX, 14, 39, 0x3FFF), 0xEFFFFC},
        {"M 0xFFFF ch5 16-bit", channelWord(kModeM, 16, 5, 0xFFFF), 0x4DFFFF},
        {"M 0x3FFF ch0 14-bit", channelWord(kModeM, 14, 0, 0x3FFF), 0x48FFFC},
        {"C 0x2000 ch16 14-bit", channelWord(kModeC, 14, 16, 0x2000), 0x988000},
        {"control A", controlWord(false), 0x010000},
        {"control B", controlWord(true), 0x010004},
        {"offset DAC 0", offsetDacWord(0, 0x3FFF), 0x023FFF},
        {"offset DAC 2", offsetDacWord(2, 0), 0x040000},
        {"monitor", monitorWord(0x22), 0x0C0022},
        {"readback", kReadbackGpio, 0x058580},
    };
    for (const Row& row : rows) EXPECT_EQ(row.word, row.expected) << row.what;
    EXPECT_EQ(gpioWord(0), 0x0D0000);
    EXPECT_EQ(gpioWord(1), 0x0D0002);
    EXPECT_EQ(gpioWord(2), 0x0D0003);
    EXPECT_FALSE(gpioWord(3));
}

TEST(CommandWords, GroupSelectMasks) {
    ChannelTable table;
    const PartInfo* kt4420 = findPart("KT4420");
    const PartInfo* kt4412 = findPart("KT4412");

    table(10).ABsel = 1;
    EXPECT_EQ(groupSelectWord(kt4420, table, 10), 0x070004);

    table(32).ABsel = 1;
    table(33).ABsel = 1;
    table(39).ABsel = 1;
    EXPECT_EQ(groupSelectWord(kt4420, table, 33), 0x0A0083);

    // Only ABsel exactly 1 counts.
    table(1).ABsel = -1;
    table(2).ABsel = 1;
    EXPECT_EQ(groupSelectWord(kt4420, table, 0), 0x060004);

    // 8-channel parts: groups of four, and only indices 0-3 and 8-11 have a word.
    table(12).ABsel = 1;
    EXPECT_EQ(groupSelectWord(kt4420, table, 12), 0x070014);
    EXPECT_EQ(groupSelectWord(kt4412, table, 9), 0x070004);
    EXPECT_FALSE(groupSelectWord(kt4412, table, 4));
    EXPECT_FALSE(groupSelectWord(kt4412, table, 16));
    EXPECT_EQ(groupSelectWord(findPart("KT4413"), table, 3), 0x060004);
}

// The channel address of an index outside 0-39 is never formed, in any build.
TEST(CommandWordsDeathTest, ChannelIndexOutsideTheTableStops) {
    const ChannelTable table;
    EXPECT_DEATH(AddrBits(40), "contract violated: DacSelect");
    EXPECT_DEATH(AddrBits(-1), "contract violated: DacSelect");
    EXPECT_DEATH(groupSelectWord(findPart("KT4421"), table, 40), "contract violated");
}

}  // namespace
}  // namespace kteval::word
