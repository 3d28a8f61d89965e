#pragma once

#include <cstdint>
#include <string>

namespace kteval {

// The converter chip's 24-bit command word: mode in bits 23-22, address in
// bits 21-16, data in bits 15-0. This is the one table of its fields: the
// program composes its words from it (protocol/command_words) and the
// simulated board and the request trace decode with it (decodeWord below).
//
// | mode | address   | register          | data                                      |
// |------|-----------|-------------------|-------------------------------------------|
// | 3    | 8-47      | input code (X)    | channel index = address - 8               |
// | 2    | 8-47      | offset (C)        |                                           |
// | 1    | 8-47      | gain (M)          |                                           |
// | 0    | 0x01      | control           | 0x0004: input register B                  |
// | 0    | 0x02-0x04 | offset DAC 0-2    | 14-bit value                              |
// | 0    | 0x05      | readback select   | 0x8580: the GPIO input                    |
// | 0    | 0x06-0x0A | group A/B select  | bit i: channel 8 x group + i takes B      |
// | 0    | 0x0C      | monitor           | bits 5-0                                  |
// | 0    | 0x0D      | GPIO              | bit 1 output enable, bit 0 output high    |
namespace chip {

inline constexpr int kModeSpecial = 0;
inline constexpr int kModeM = 1;
inline constexpr int kModeC = 2;
inline constexpr int kModeX = 3;

inline constexpr int kFirstChannelAddress = 8;
inline constexpr int kLastChannelAddress = 47;

inline constexpr int kControl = 0x01;
inline constexpr int kOffsetDac0 = 0x02;
inline constexpr int kOffsetDacCount = 3;
inline constexpr int kReadback = 0x05;
inline constexpr int kGroupSelect0 = 0x06;
inline constexpr int kGroupCount = 5;
inline constexpr int kMonitor = 0x0C;
inline constexpr int kGpio = 0x0D;

inline constexpr uint16_t kControlSelectB = 0x0004;
inline constexpr uint16_t kReadbackGpioSelection = 0x8580;
inline constexpr uint16_t kGpioOutputEnable = 0x0002;
inline constexpr uint16_t kGpioOutputHigh = 0x0001;

// The word with these fields (mode 0-3, address 0-0x3F, data 0-0xFFFF).
constexpr int32_t fields(int mode, int address, uint16_t data = 0) {
    return (mode << 22) | (address << 16) | data;
}

}  // namespace chip

// What a 24-bit command word means to the converter chip.
enum class WordKind : uint8_t {
    XWrite,          // mode 3: input register (A or B as the control register chooses)
    CWrite,          // mode 2: offset register
    MWrite,          // mode 1: gain register
    Control,         // special 0x01: bit 2 of the data chooses input register B
    OffsetDac,       // special 0x02-0x04: offset DAC 0-2, 14-bit data
    Readback,        // special 0x05: what the next read returns
    GroupSelect,     // special 0x06-0x0A: A/B select mask of group 0-4
    Monitor,         // special 0x0C: monitor register, bits 5-0
    Gpio,            // special 0x0D: bit 1 output enable, bit 0 output level
    NoChannel,       // modes 1-3 with an address outside 8-47
    UnknownSpecial,  // mode 0 with a code the chip does not have (0x00, 0x0B, 0x0E-0x3F)
};

struct ChipWord {
    WordKind kind = WordKind::UnknownSpecial;
    int mode = 0;           // bits 23-22
    int address = 0;        // bits 21-16: channel address or special function code
    uint16_t data = 0;      // bits 15-0
    int channelIndex = -1;  // X, C and M writes: address - 8 (0-39); -1 otherwise
    int unit = -1;          // offset DAC number (0-2) or group (0-4); -1 otherwise
};

// Decodes the low 24 bits of word; bits 31-24 are ignored.
ChipWord decodeWord(int32_t word);

// The word a word-transfer request carries: index is bits 23-16, value 15-0.
int32_t wordOfRequest(int32_t value, int32_t index);

// A short text of the word's meaning for traces, e.g. "X write ch 5 data 0x1234",
// "offset DAC 1 0x1555", "control B", "group select 1 0x04", "GPIO output high".
// Channels are named by their index.
std::string describeWord(const ChipWord& word);

}  // namespace kteval
