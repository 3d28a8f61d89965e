#include "command_words.h"
#include "contract.h"

namespace kteval::word {

int32_t AddrBits(int16_t DacSelect) {
    KTEVAL_EXPECTS(DacSelect >= 0 && DacSelect < kChannelCount);
    const int16_t address = static_cast<int16_t>(DacSelect + kAddressFirstChannel);
    return static_cast<int32_t>(address) * 65536;
}

int32_t scaledData(int partBits, int32_t value) {
    return partBits == 14 ? value * 4 : value;
}

int32_t channelWord(int32_t mode, int partBits, int16_t index, int32_t value) {
    return mode | AddrBits(index) | scaledData(partBits, value);
}

int32_t controlWord(bool useX1B) {
    return kControl | (useX1B ? kControlSelectX1B : 0);
}

int32_t offsetDacWord(int dac, int32_t value) {
    KTEVAL_EXPECTS(dac >= 0 && dac <= 2);
    return (kOffsetDac0 + dac * 0x010000) | value;
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
    return (kGroupSelect0 + group * 0x010000) | mask;
}

int32_t monitorWord(int32_t monitorState) {
    return kMonitor | monitorState;
}

std::optional<int32_t> gpioWord(int choice) {
    switch (choice) {
        case 0:
            return kGpio | 0x0;
        case 1:
            return kGpio | 0x2;
        case 2:
            return kGpio | 0x3;
        default:
            return std::nullopt;
    }
}

}  // namespace kteval::word
