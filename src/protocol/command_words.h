#pragma once

#include <cstdint>
#include <optional>

#include "chip_word.h"
#include "dac.h"
#include "part_catalogue.h"

namespace kteval::word {

// 24-bit command words: mode in bits 23-22, address in 21-16, data in 15-0.
//
// | word             | mode | address / code    | data                        | constant            |
// |------------------|------|-------------------|-----------------------------|---------------------|
// | X write          | 3    | channel index + 8 | input code (x4 on 14-bit)   | 0xC00000            |
// | C write          | 2    | channel index + 8 | offset code (x4 on 14-bit)  | 0x800000            |
// | M write          | 1    | channel index + 8 | gain code (x4 on 14-bit)    | 0x400000            |
// | control          | 0    | 0x01              | 0x0000 = X1A, 0x0004 = X1B  | 0x010000 / 0x010004 |
// | offset DAC 0..2  | 0    | 0x02..0x04        | 14-bit value, unscaled      | 0x020000..0x040000  |
// | readback         | 0    | 0x05              | 0x8580 = GPIO input         | 0x058580            |
// | group A/B select | 0    | 0x06 + group      | bit i = ABsel of channel i  | 0x060000..0x0A0000  |
// | monitor          | 0    | 0x0C              | MonitorState bits 5-0       | 0x0C0000            |
// | GPIO             | 0    | 0x0D              | 0 input, 2 out low, 3 high  | 0x0D0000..0x0D0003  |
inline constexpr int32_t kModeX = 0xC00000;
inline constexpr int32_t kModeC = 0x800000;
inline constexpr int32_t kModeM = 0x400000;
inline constexpr int32_t kControl = 0x010000;
inline constexpr int32_t kControlSelectX1B = kControlSelectB;
inline constexpr int32_t kOffsetDac0 = 0x020000;
inline constexpr int32_t kReadback = 0x050000;
inline constexpr int32_t kReadbackGpio = kReadback | kReadbackGpioSelection;
inline constexpr int32_t kGroupSelect0 = 0x060000;
inline constexpr int32_t kMonitor = 0x0C0000;
inline constexpr int32_t kGpio = 0x0D0000;
inline constexpr int32_t kAddressFirstChannel = 8;
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
