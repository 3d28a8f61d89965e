#include "chip_word.h"

#include <gtest/gtest.h>

namespace kteval {
namespace {

struct DecodeCase {
    int32_t word;
    WordKind kind;
    int channelIndex;
    int unit;
    uint16_t data;
    const char* text;
};

TEST(ChipWord, DecodesEveryKind) {
    const DecodeCase cases[] = {
        {0xC81234, WordKind::XWrite, 0, -1, 0x1234, "X write ch 0 data 0x1234"},
        {0xCD1234, WordKind::XWrite, 5, -1, 0x1234, "X write ch 5 data 0x1234"},
        {0xEFFFFC, WordKind::XWrite, 39, -1, 0xFFFC, "X write ch 39 data 0xFFFC"},
        {0x988000, WordKind::CWrite, 16, -1, 0x8000, "C write ch 16 data 0x8000"},
        {0x4DFFFF, WordKind::MWrite, 5, -1, 0xFFFF, "M write ch 5 data 0xFFFF"},
        {0xC71234, WordKind::NoChannel, -1, -1, 0x1234,
         "mode 3 write to address 0x07 (no channel) data 0x1234"},
        {0x700001, WordKind::NoChannel, -1, -1, 0x0001,
         "mode 1 write to address 0x30 (no channel) data 0x0001"},
        {0x010000, WordKind::Control, -1, -1, 0, "control A"},
        {0x010004, WordKind::Control, -1, -1, 4, "control B"},
        {0x010006, WordKind::Control, -1, -1, 6, "control 0x0006"},
        {0x020000, WordKind::OffsetDac, -1, 0, 0, "offset DAC 0 0x0000"},
        {0x031555, WordKind::OffsetDac, -1, 1, 0x1555, "offset DAC 1 0x1555"},
        {0x043FFF, WordKind::OffsetDac, -1, 2, 0x3FFF, "offset DAC 2 0x3FFF"},
        {0x058580, WordKind::Readback, -1, -1, 0x8580, "readback 0x8580"},
        {0x060001, WordKind::GroupSelect, -1, 0, 0x01, "group select 0 0x01"},
        {0x070004, WordKind::GroupSelect, -1, 1, 0x04, "group select 1 0x04"},
        {0x0A00FF, WordKind::GroupSelect, -1, 4, 0xFF, "group select 4 0xFF"},
        {0x0B1234, WordKind::UnknownSpecial, -1, -1, 0x1234, "unknown special 0x0B data 0x1234"},
        {0x000000, WordKind::UnknownSpecial, -1, -1, 0, "unknown special 0x00 data 0x0000"},
        {0x0C0020, WordKind::Monitor, -1, -1, 0x20, "monitor 0x20"},
        {0x0D0000, WordKind::Gpio, -1, -1, 0, "GPIO input"},
        {0x0D0002, WordKind::Gpio, -1, -1, 2, "GPIO output low"},
        {0x0D0003, WordKind::Gpio, -1, -1, 3, "GPIO output high"},
        {0x0D0001, WordKind::Gpio, -1, -1, 1, "GPIO 0x0001"},
        {0x3F0000, WordKind::UnknownSpecial, -1, -1, 0, "unknown special 0x3F data 0x0000"},
        // Bits 31-24 are not part of the word.
        {static_cast<int32_t>(0xFF058580u), WordKind::Readback, -1, -1, 0x8580, "readback 0x8580"},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.text);
        const ChipWord word = decodeWord(c.word);
        EXPECT_EQ(word.kind, c.kind);
        EXPECT_EQ(word.channelIndex, c.channelIndex);
        EXPECT_EQ(word.unit, c.unit);
        EXPECT_EQ(word.data, c.data);
        EXPECT_EQ(describeWord(word), c.text);
    }
}

}  // namespace
}  // namespace kteval
