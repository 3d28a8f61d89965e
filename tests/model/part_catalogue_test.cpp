#include "part_catalogue.h"

#include <gtest/gtest.h>

namespace kteval {
namespace {

TEST(PartCatalogue, ButtonIndexMatchesRowAndNameLookup) {
    for (int i = 0; i < kPartCount; ++i) {
        const PartInfo& part = partByIndex(i);
        EXPECT_EQ(part.index, i);
        EXPECT_EQ(findPart(part.name), &part);
        EXPECT_EQ(part.groupCount * part.groupSize, part.channels);
    }
    EXPECT_EQ(findPart(""), nullptr);
    EXPECT_EQ(findPart("kt4410"), nullptr);
}

TEST(PartCatalogue, ChannelIndicesInUse) {
    struct Row {
        const char* part;
        int index;
        bool used;
    };
    const Row rows[] = {{"KT4410", 15, true}, {"KT4410", 16, false}, {"KT4412", 3, true},
                        {"KT4412", 4, false}, {"KT4412", 11, true},  {"KT4412", 12, false},
                        {"KT4420", 39, true}, {"KT4410", -1, false}};
    for (const Row& row : rows) {
        EXPECT_EQ(usesChannelIndex(*findPart(row.part), row.index), row.used)
            << row.part << " index " << row.index;
    }
}

TEST(PartCatalogue, VoltageGroups) {
    struct Row {
        const char* part;
        int channel;
        int group;  // -1: none
    };
    const Row rows[] = {{"KT4410", 7, 0},  {"KT4410", 8, 1},  {"KT4410", 16, -1},
                        {"KT4412", 4, 1},  {"KT4412", 8, -1}, {"KT4420", 16, 2},
                        {"KT4421", 39, 2}, {"KT4422", 31, 1}};
    for (const Row& row : rows) {
        const std::optional<int> k = voltageGroupOf(*findPart(row.part), row.channel);
        EXPECT_EQ(k.value_or(-1), row.group) << row.part << " channel " << row.channel;
    }
}

}  // namespace
}  // namespace kteval
