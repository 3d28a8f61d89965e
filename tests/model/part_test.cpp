// The part catalogue's lookups and what each part lets the operator write;
// the window's refusals and the command layer's errors both follow these.
#include <gtest/gtest.h>

#include "monitor_state.h"
#include "part_catalogue.h"
#include "part_rules.h"

namespace kteval {
namespace {

// Catches a button index, name lookup or group layout out of step with its row.
TEST(PartCatalogue, ButtonIndexMatchesRowAndNameLookup) {
    for (int i = 0; i < kPartCount; ++i) {
        const PartInfo& part = partByIndex(i);
        EXPECT_EQ(part.index, i);
        EXPECT_EQ(findPart(part.name), &part);
        EXPECT_EQ(part.groupCount * part.groupSize, part.channels);
    }
    EXPECT_TRUE(findPart("") == nullptr && findPart("kt4410") == nullptr);
}

// Catches a channel index taken as used (or not) at a group's edge, and the
// last channel of a voltage group given none (-1: none).
TEST(PartCatalogue, ChannelIndicesInUseAndVoltageGroups) {
    const std::tuple<const char*, int, bool> used[] = {
        {"KT4410", 15, true}, {"KT4410", 16, false}, {"KT4412", 3, true},  {"KT4412", 4, false},
        {"KT4412", 11, true}, {"KT4412", 12, false}, {"KT4420", 39, true}, {"KT4410", -1, false}};
    for (const auto& [part, index, inUse] : used)
        EXPECT_EQ(usesChannelIndex(*findPart(part), index), inUse) << part << " " << index;
    const std::tuple<const char*, int, int> groups[] = {
        {"KT4410", 7, 0},  {"KT4410", 8, 1},  {"KT4410", 16, -1}, {"KT4412", 4, 1},
        {"KT4412", 8, -1}, {"KT4420", 16, 2}, {"KT4421", 39, 2},  {"KT4422", 31, 1}};
    for (const auto& [part, channel, group] : groups)
        EXPECT_EQ(voltageGroupOf(*findPart(part), channel).value_or(-1), group)
            << part << " " << channel;
}

// Catches a wrong limit or control per family (nullptr: no monitor and GPIO).
TEST(PartRules, LimitsAndControlsOfEachPart) {
    const std::tuple<const char*, uint32_t, int, int, const char*, int> rows[] = {
        {"KT4410", 0xFFFF, 15, 2, "DAC 15", 18},
        {"KT4413", 0x3FFF, 7, 2, "DAC 7", 10},
        {"KT4421", 0x3FFF, 39, 3, nullptr, 0},
        {"KT4422", 0xFFFF, 31, 2, nullptr, 0}};
    for (const auto& [name, largest, lastChannel, offsetDacs, lastEntry, entries] : rows) {
        const PartInfo* part = findPart(name);
        EXPECT_EQ(largestRegisterCode(part->bits), largest) << name;
        EXPECT_EQ(largestChannelNumber(*part), lastChannel) << name;
        EXPECT_EQ(offsetDacCount(part), offsetDacs) << name;
        EXPECT_EQ(hasOffsetDac(part, 2), offsetDacs == 3) << name;
        EXPECT_TRUE(hasOffsetDac(part, 1) && !hasOffsetDac(part, 3) && !hasOffsetDac(part, -1));
        EXPECT_EQ(hasMonitor(part), lastEntry != nullptr) << name;
        if (lastEntry != nullptr) {
            EXPECT_EQ(monitorEntryCount(*part), entries) << name;
            EXPECT_EQ(monitorEntryText(entries - 1), lastEntry) << name;
        }
    }
    EXPECT_TRUE(offsetDacCount(nullptr) == 0 && !hasMonitor(nullptr));
    EXPECT_EQ(monitorEntryText(0) + monitorEntryText(1) + monitorEntryText(2),
              "Mon_In0Mon_In1DAC 0");
    EXPECT_TRUE(largestCode(kOffsetCodeBits) == 0x3FFFu && largestCode(kRawWordBits) == 0xFFFFFFu &&
                largestCode(32) == 0xFFFFFFFFu);
}

// Catches the monitor list usable while the monitor is off, or a pin or
// channel entry dropping the enable bit; and the GPIO level read from bit 1.
TEST(MonitorState, EnabledFollowsTheStateBoxOnly) {
    for (const int32_t start : {0x00, 0x3F}) {
        const int32_t on = monitorEnabled(start, 1);
        EXPECT_TRUE(monitorOn(on));
        for (const int position : {0, 1, 17})
            EXPECT_TRUE(monitorOn(monitorChannelChosen(on, position)));
        const int32_t off = monitorEnabled(on, 0);
        EXPECT_FALSE(monitorOn(off) || monitorOn(monitorChannelChosen(off, 1)));
    }
    EXPECT_TRUE(gpioInputHigh(0x0001) && gpioInputHigh(-1) && !gpioInputHigh(0xFFFE));
}

}  // namespace
}  // namespace kteval
