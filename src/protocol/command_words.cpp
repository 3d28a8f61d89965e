#include "command_words.h"
#include "contract.h"

namespace kteval::word {

int32_t AddrBits(int16_t DacSelect) {
    KTEVAL_EXPECTS(DacSelect >= 0 && DacSelect < kChannelCount);
    return chip::fields(chip::kModeSpecial, DacSelect + chip::kFirstChannelAddress);
}

int32_t scaledData(int partBits, int32_t value) {
    return partBits == 14 ? value * 4 : value;
}

int32_t channelWord(int32_t mode, int partBits, int16_t index, int32_t value) {
    return mode | AddrBits(index) | scaledData(partBits, value);
}

int32_t controlWord(bool useX1B) {
    return chip::fields(chip::kModeSpecial, chip::kControl, useX1B ? chip::kControlSelectB : 0);
}

int32_t offsetDacWord(int dac, int32_t value) {
    KTEVAL_EXPECTS(dac >= 0 && dac < chip::kOffsetDacCount);
    return chip::fields(chip::kModeSpecial, chip::kOffsetDac0 + dac) | value;
}

std::optional<int32_t> groupSelectWord(const PartInfo* part, const ChannelTable& table,
                                       int16_t index) {
    KTEVAL_EXPECTS(index >= 0 && index < kChannelCount);
    // Groups of four on the 8-channel parts; an index outside them has no word.
    const int groupSize = part != nullptr ? part->groupSize : 8;
    if (groupSize < 8 && !usesChannelIndex(*part, index)) return std::nullopt;
    const int group = index / 8;
    int32_t mask = 0;
    for (int i = 0; i < groupSize; ++i) {
        if (table(8 * group + i).ABsel == 1) mask |= 1 << i;
    }
    return chip::fields(chip::kModeSpecial, chip::kGroupSelect0 + group) | mask;
}

int32_t monitorWord(int32_t monitorState) {
    return chip::fields(chip::kModeSpecial, chip::kMonitor) | monitorState;
}

std::optional<int32_t> gpioWord(int choice) {
    using chip::kGpioOutputEnable, chip::kGpioOutputHigh;
    constexpr uint16_t kData[] = {0, kGpioOutputEnable, kGpioOutputEnable | kGpioOutputHigh};
    if (choice < 0 || choice > 2) return std::nullopt;
    return chip::fields(chip::kModeSpecial, chip::kGpio, kData[choice]);
}

}  // namespace kteval::word
