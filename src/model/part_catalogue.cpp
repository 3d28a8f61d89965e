#include "part_catalogue.h"

#include <cmath>
#include "contract.h"

namespace kteval {

namespace {

constexpr VoltageGroup kNoGroup{-1, -1};

// One row per part, in the order of the part dialog's buttons. Columns: name,
// dialog index, setup operation, bits, channels, groups, channels per group,
// default code, offset DAC code and its text, reference text, third reference,
// monitor entries, voltage labels shown, voltage groups (channel numbers) and
// their count, offset multiplier, divisor, monitor family.
// clang-format off
constexpr std::array<PartInfo, kPartCount> kCatalogue{{
    {"KT4410", 0, "Setup4410", 16, 16, 2, 8, 0x8000, 0x2000, "2000", "5", false, 16, 16,
     {{{0, 7}, {8, 15}, kNoGroup}}, 2, 4, 65536, true},
    {"KT4411", 1, "Setup4411", 14, 16, 2, 8, 0x2000, 0x2000, "2000", "5", false, 16, 16,
     {{{0, 7}, {8, 15}, kNoGroup}}, 2, 1, 16384, true},
    {"KT4412", 2, "Setup4412", 16, 8, 2, 4, 0x8000, 0x2000, "2000", "5", false, 8, 8,
     {{{0, 3}, {4, 7}, kNoGroup}}, 2, 4, 65536, true},
    {"KT4413", 3, "Setup4413", 14, 8, 2, 4, 0x2000, 0x2000, "2000", "5", false, 8, 8,
     {{{0, 3}, {4, 7}, kNoGroup}}, 2, 1, 16384, true},
    {"KT4420", 4, "setup4420", 16, 40, 5, 8, 0x5554, 0x1555, "1555", "3", true, 0, 40,
     {{{0, 7}, {8, 15}, {16, 39}}}, 3, 4, 65536, false},
    {"KT4421", 5, "Setup4421", 14, 40, 5, 8, 0x1555, 0x1555, "1555", "3", true, 0, 40,
     {{{0, 7}, {8, 15}, {16, 39}}}, 3, 1, 16384, false},
    {"KT4422", 6, "Setup4422", 16, 32, 4, 8, 0x5554, 0x1555, "1555", "3", false, 0, 32,
     {{{0, 7}, {8, 31}, kNoGroup}}, 2, 4, 65536, false},
    {"KT4423", 7, "Setup4423", 14, 32, 4, 8, 0x1555, 0x1555, "1555", "3", false, 0, 32,
     {{{0, 7}, {8, 31}, kNoGroup}}, 2, 1, 16384, false},
}};
// clang-format on

}  // namespace

const std::array<PartInfo, kPartCount>& partCatalogue() {
    return kCatalogue;
}

const PartInfo* findPart(std::string_view name) {
    for (const PartInfo& part : kCatalogue) {
        if (part.name == name) return &part;
    }
    return nullptr;
}

const PartInfo& partByIndex(int index) {
    KTEVAL_EXPECTS(index >= 0 && index < kPartCount);
    return kCatalogue[static_cast<std::size_t>(index)];
}

bool usesChannelIndex(const PartInfo& part, int index) {
    if (index < 0 || index >= 8 * part.groupCount) return false;
    return index % 8 < part.groupSize;
}

int channelNumberOfIndex(const PartInfo* part, int index) {
    if (part == nullptr || part->groupSize == 8 || !usesChannelIndex(*part, index)) return index;
    return (index / 8) * part->groupSize + index % 8;
}

int indexOfChannelNumber(const PartInfo* part, int channelNumber) {
    if (part == nullptr || part->groupSize == 8) return channelNumber;
    if (channelNumber < 0 || channelNumber >= part->channels) return channelNumber;
    return (channelNumber / part->groupSize) * 8 + channelNumber % part->groupSize;
}

std::optional<int> voltageGroupOf(const PartInfo& part, int channelNumber) {
    for (int k = 0; k < part.voltageGroupCount; ++k) {
        const VoltageGroup& group = part.voltageGroups[static_cast<std::size_t>(k)];
        if (channelNumber >= group.firstChannel && channelNumber <= group.lastChannel) return k;
    }
    return std::nullopt;
}

std::string mainCaption(std::string_view partName, int channels, int bits) {
    std::string caption(partName);
    caption += " Evaluation Software - ";
    caption += std::to_string(channels);
    caption += " x ";
    caption += std::to_string(bits);
    caption += "-Bit Channels";
    return caption;
}

int32_t fullScaleGain(int bits) {
    return static_cast<int32_t>(std::nearbyint(std::pow(2.0, bits) - 1.0));
}

int32_t midScaleOffset(int bits) {
    return static_cast<int32_t>(std::nearbyint(std::pow(2.0, bits - 1)));
}

}  // namespace kteval
