#include "part_rules.h"

#include <gtest/gtest.h>

#include "monitor_state.h"

namespace kteval {
namespace {

// What each part lets the operator write and which controls it has; the
// window's refusals and the command layer's errors both follow these.
TEST(PartRules, LimitsAndControlsOfEachPart) {
    struct Row {
        const char* part;
        uint32_t largestRegister;
        int largestChannel;
        int offsetDacs;
        const char* lastMonitorEntry;  // nullptr: no monitor and GPIO
        int monitorEntries;
    };
    // One part of each family.
    const Row rows[] = {{"KT4410", 0xFFFF, 15, 2, "DAC 15", 18},
                        {"KT4413", 0x3FFF, 7, 2, "DAC 7", 10},
                        {"KT4421", 0x3FFF, 39, 3, nullptr, 0},
                        {"KT4422", 0xFFFF, 31, 2, nullptr, 0}};
    for (const Row& row : rows) {
        const PartInfo* part = findPart(row.part);
        EXPECT_EQ(largestRegisterCode(part->bits), row.largestRegister) << row.part;
        EXPECT_EQ(largestChannelNumber(*part), row.largestChannel) << row.part;
        EXPECT_EQ(offsetDacCount(part), row.offsetDacs) << row.part;
        EXPECT_EQ(hasOffsetDac(part, 2), row.offsetDacs == 3) << row.part;
        EXPECT_TRUE(hasOffsetDac(part, 1) && !hasOffsetDac(part, 3) && !hasOffsetDac(part, -1));
        EXPECT_EQ(hasMonitor(part), row.lastMonitorEntry != nullptr) << row.part;
        if (hasMonitor(part)) {
            EXPECT_EQ(monitorEntryCount(*part), row.monitorEntries) << row.part;
            EXPECT_EQ(monitorEntryText(row.monitorEntries - 1), row.lastMonitorEntry) << row.part;
        }
    }
    EXPECT_EQ(offsetDacCount(nullptr), 0);
    EXPECT_FALSE(hasMonitor(nullptr));
    EXPECT_EQ(monitorEntryText(0), "Mon_In0");
    EXPECT_EQ(monitorEntryText(1), "Mon_In1");
    EXPECT_EQ(monitorEntryText(2), "DAC 0");
}

TEST(PartRules, EntryLimitsOfTheWriteButtons) {
    EXPECT_EQ(largestCode(kOffsetCodeBits), 0x3FFFu);
    EXPECT_EQ(largestCode(kRawWordBits), 0xFFFFFFu);
    EXPECT_EQ(largestCode(32), 0xFFFFFFFFu);
}

// The monitor list can be picked from only while the monitor is enabled; the
// pin and channel entries keep the enable bit.
TEST(MonitorState, EnabledFollowsTheStateBoxOnly) {
    for (const int32_t start : {0x00, 0x3F}) {
        const int32_t on = monitorEnabled(start, 1);
        EXPECT_TRUE(monitorOn(on));
        for (const int position : {0, 1, 17}) {
            EXPECT_TRUE(monitorOn(monitorChannelChosen(on, position))) << position;
        }
        const int32_t off = monitorEnabled(on, 0);
        EXPECT_FALSE(monitorOn(off));
        EXPECT_FALSE(monitorOn(monitorChannelChosen(off, 1)));
    }
    EXPECT_TRUE(gpioInputHigh(0x0001));
    EXPECT_TRUE(gpioInputHigh(-1));
    EXPECT_FALSE(gpioInputHigh(0xFFFE));
}

}  // namespace
}  // namespace kteval
