#pragma once

#include <cstdint>
#include <optional>

#include "chip_word.h"
#include "dac.h"
#include "part_catalogue.h"

namespace kteval::word {

// The words the program sends, composed from the chip's word table
// (chip_word.h). Channel writes: mode | AddrBits(index) | data, the data x4 on
// 14-bit parts; special functions: code in bits 21-16 | data.
inline constexpr int32_t kModeX = chip::fields(chip::kModeX, 0);
inline constexpr int32_t kModeC = chip::fields(chip::kModeC, 0);
inline constexpr int32_t kModeM = chip::fields(chip::kModeM, 0);
inline constexpr int32_t kReadbackGpio =
    chip::fields(chip::kModeSpecial, chip::kReadback, chip::kReadbackGpioSelection);
inline constexpr int32_t kWordMask = 0xFFFFFF;

// The channel address (index + 8) in bits 21-16. index must be 0-39.
int32_t AddrBits(int16_t DacSelect);

// The data field of an X, M or C value: x4 on 14-bit parts, so the value
// occupies bits 15-2.
int32_t scaledData(int partBits, int32_t value);

// A channel register write: mode (kModeX, kModeM or kModeC), the channel's
// address and the value scaled to the data field.
int32_t channelWord(int32_t mode, int partBits, int16_t index, int32_t value);

// The control word choosing input register A or B.
int32_t controlWord(bool useX1B);

// Offset DAC dac (0-2) with a 14-bit value.
int32_t offsetDacWord(int dac, int32_t value);

// The group A/B select word of the group holding index, built from the ABsel
// of its records (bit i = ABsel of index 8 x group + i is exactly 1). On the
// 8-channel parts only indices 0-3 (0x06) and 8-11 (0x07) have one: nullopt
// for any other index.
std::optional<int32_t> groupSelectWord(const PartInfo* part, const ChannelTable& table,
                                       int16_t index);

int32_t monitorWord(int32_t monitorState);

// GPIO configuration: choice 0 input, 1 output low, 2 output high; nullopt otherwise.
std::optional<int32_t> gpioWord(int choice);

}  // namespace kteval::word
