// Command words, hexadecimal entry texts and labels, the level buttons'
// requests, and the SPI port.
#include <gtest/gtest.h>

#include "command_words.h"
#include "hex_text.h"
#include "line_requests.h"
#include "recording_usb.h"
#include "request_codes.h"
#include "spi_port.h"

namespace kteval {
namespace {

using namespace word;

// Catches wrong mode bits, a channel address off by one, 14-bit data not
// scaled x4, A/B control swapped, wrong offset DAC, monitor or GPIO words.
TEST(CommandWords, ChannelWordsAndScaling) {
    // clang-format off
    const std::pair<int32_t, int32_t> rows[] = {
        {channelWord(kModeX, 16, 0, 0x1234), 0xC81234}, {channelWord(kModeX, 14, 39, 0x3FFF), 0xEFFFFC},
        {channelWord(kModeM, 16, 5, 0xFFFF), 0x4DFFFF}, {channelWord(kModeM, 14, 0, 0x3FFF), 0x48FFFC},
        {channelWord(kModeC, 14, 16, 0x2000), 0x988000}, {controlWord(false), 0x010000},
        {controlWord(true), 0x010004}, {offsetDacWord(0, 0x3FFF), 0x023FFF}, {offsetDacWord(2, 0), 0x040000},
        {monitorWord(0x22), 0x0C0022}, {kReadbackGpio, 0x058580}, {*gpioWord(0), 0x0D0000},
        {*gpioWord(1), 0x0D0002}, {*gpioWord(2), 0x0D0003}};
    // clang-format on
    for (std::size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(rows[i].first, rows[i].second) << "row " << i;
    EXPECT_FALSE(gpioWord(3));
}

// Catches the select bits reversed, ABsel other than 1 counted, and 8-channel
// parts' groups of four (only indices 0-3 and 8-11 have a word); and a
// channel address formed for an index outside 0-39, in any build.
TEST(CommandWordsDeathTest, GroupSelectMasks) {
    ChannelTable table;
    const PartInfo* kt4420 = findPart("KT4420");
    const PartInfo* kt4412 = findPart("KT4412");
    table(10).ABsel = 1;
    EXPECT_EQ(groupSelectWord(kt4420, table, 10), 0x070004);
    table(32).ABsel = table(33).ABsel = table(39).ABsel = 1;
    EXPECT_EQ(groupSelectWord(kt4420, table, 33), 0x0A0083);
    table(1).ABsel = -1;
    table(2).ABsel = 1;
    EXPECT_EQ(groupSelectWord(kt4420, table, 0), 0x060004);
    table(12).ABsel = 1;
    EXPECT_EQ(groupSelectWord(kt4420, table, 12), 0x070014);
    EXPECT_EQ(groupSelectWord(kt4412, table, 9), 0x070004);
    EXPECT_FALSE(groupSelectWord(kt4412, table, 4) || groupSelectWord(kt4412, table, 16));
    EXPECT_EQ(groupSelectWord(findPart("KT4413"), table, 3), 0x060004);
    for (int index : {40, -1}) EXPECT_DEATH(AddrBits(index), "contract violated: DacSelect");
    EXPECT_DEATH(groupSelectWord(findPart("KT4421"), table, 40), "contract violated");
}

// Catches the largest value refused, lower case refused, leading zeros
// counted as bits, and overflow past 32 bits accepted.
TEST(HexText, CheckTextVerdicts) {
    using Kind = CheckVerdict::Kind;
    const std::string invalid = "Invalid Number", exceeds = "Number exceeds the bit length (";
    const std::tuple<const char*, int, Kind, std::string> rows[] = {
        {"3FFF", 14, Kind::Accepted, ""},
        {"3fff", 14, Kind::Accepted, ""},
        {"4000", 14, Kind::ExceedsBitLength, exceeds + "14)"},
        {"FFFF", 16, Kind::Accepted, ""},
        {"000000000FFFF", 16, Kind::Accepted, ""},
        {"1000000", 24, Kind::ExceedsBitLength, exceeds + "24)"},
        {"", 16, Kind::InvalidNumber, invalid},
        {"12G4", 16, Kind::InvalidNumber, invalid},
        {"123456789", 24, Kind::InvalidNumber, invalid},
        {" 10", 16, Kind::InvalidNumber, invalid},
        {"\xC3\xA9", 16, Kind::InvalidNumber, invalid}};
    for (const auto& [text, bits, kind, message] : rows) {
        const CheckVerdict verdict = CheckText(text, bits);
        EXPECT_TRUE(verdict.kind == kind && verdict.message == message) << '"' << text << '"';
    }
    EXPECT_EQ(CheckText("3fff", 14).value, 0x3FFFu);
    EXPECT_TRUE(readHex("FFFFFFFF") == 0xFFFFFFFFu && readHex("0000000000000001") == 1u);
    EXPECT_FALSE(readHex("1FFFFFFFF"));
}

// Catches labels padded to 3 digits, lower case kept, the caller's text not
// updated, and a word shown with too few digits.
TEST(HexText, LabelsAndWords) {
    const std::pair<const char*, const char*> rows[] = {
        {"a", "000A"}, {"abc", "0ABC"},  {"ffff8000", "8000"},   {"12345", "12345"},
        {"", ""},      {"abcd", "ABCD"}, {"1234567", "1234567"}, {"123456789", "123456789"}};
    for (const auto& [in, out] : rows) {
        std::string text = in;
        EXPECT_EQ(FormatHex(text), out) << in;
        EXPECT_EQ(text, out) << in;
    }
    EXPECT_EQ(NumberToHex(0, 6) + NumberToHex(0xC81234, 6) + NumberToHex(0xFFFFFF, 6),
              "000000C81234FFFFFF");
    // Effective codes may lie below zero or above full scale.
    EXPECT_EQ(registerLabelText(-32768) + registerLabelText(98302) + registerLabelText(0x1555),
              "800017FFE1555");
}

// Catches a level button sending another line's request, or out of its order
// on the signals tab; the remote LINE commands find it by line and level.
TEST(LineRequests, LevelButtons) {
    const std::tuple<ControlLine, bool, int16_t> rows[] = {
        {ControlLine::Reset, true, 218}, {ControlLine::Reset, false, 219},
        {ControlLine::Clr, true, 220},   {ControlLine::Clr, false, 223},
        {ControlLine::Ldac, true, 226},  {ControlLine::Ldac, false, 227}};
    for (int button = 0; button < 6; ++button) {
        const auto& [line, high, request] = rows[button];
        EXPECT_EQ(levelButtonIndex(line, high), button);
        EXPECT_EQ(levelButtonRequest(button), request) << button;
    }
    EXPECT_FALSE(levelButtonRequest(-1) || levelButtonRequest(kLevelButtonCount));
}

// Catches the word sent before it is shown, or its bytes swapped in the request.
TEST(SpiPort, ShowsTheWordThenWritesIt) {
    RecordingUsb usb;
    BoardLink link(usb);
    std::vector<std::string> shown;
    SpiPort port(link, [&](const std::string& text) {
        shown.push_back(text);
        EXPECT_TRUE(usb.requests.empty()) << "the word is shown before it is sent";
    });
    port.SPIout(0x031555);
    EXPECT_EQ(shown, std::vector<std::string>{"031555"});
    EXPECT_EQ(
        usb.requests,
        (std::vector<Request>{{request::WordTransfer, 0x1555, 0x03, request::DirectionOut, 0}}));
}

}  // namespace
}  // namespace kteval
