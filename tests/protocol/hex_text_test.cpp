#include "hex_text.h"

#include <gtest/gtest.h>

namespace kteval {
namespace {

TEST(CheckText, Verdicts) {
    using Kind = CheckVerdict::Kind;
    struct Row {
        const char* text;
        int bits;
        Kind kind;
        const char* message;
    };
    const char* invalid = "Invalid Number";
    const Row rows[] = {
        {"3FFF", 14, Kind::Accepted, ""},
        {"3fff", 14, Kind::Accepted, ""},
        {"4000", 14, Kind::ExceedsBitLength, "Number exceeds the bit length (14)"},
        {"FFFF", 16, Kind::Accepted, ""},
        {"000000000FFFF", 16, Kind::Accepted, ""},  // leading zeros are no extra bits
        {"1000000", 24, Kind::ExceedsBitLength, "Number exceeds the bit length (24)"},
        {"", 16, Kind::InvalidNumber, invalid},
        {"12G4", 16, Kind::InvalidNumber, invalid},
        {"123456789", 24, Kind::InvalidNumber, invalid},  // needs 33 bits
        {" 10", 16, Kind::InvalidNumber, invalid},
        {"\xC3\xA9", 16, Kind::InvalidNumber, invalid},
    };
    for (const Row& row : rows) {
        const CheckVerdict verdict = CheckText(row.text, row.bits);
        EXPECT_EQ(verdict.kind, row.kind) << '"' << row.text << '"';
        EXPECT_EQ(verdict.message, row.message) << row.text;
    }
    EXPECT_EQ(CheckText("3fff", 14).value, 0x3FFFu);
}

TEST(ReadHex, LargestValueAndOverflow) {
    EXPECT_EQ(readHex("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(readHex("0000000000000001"), 1u);
    EXPECT_FALSE(readHex("1FFFFFFFF"));
}

TEST(FormatHex, StepsInOrder) {
    struct Row {
        const char* in;
        const char* out;
    };
    const Row rows[] = {
        {"a", "000A"}, {"abc", "0ABC"},  {"ffff8000", "8000"},   {"12345", "12345"},
        {"", ""},      {"abcd", "ABCD"}, {"1234567", "1234567"}, {"123456789", "123456789"}};
    for (const Row& row : rows) {
        std::string text = row.in;
        EXPECT_EQ(FormatHex(text), row.out) << row.in;
        EXPECT_EQ(text, row.out) << "the caller's text holds the result too";
    }
}

TEST(NumberToHex, FixedWidthAndRegisterLabels) {
    EXPECT_EQ(NumberToHex(0, 6), "000000");
    EXPECT_EQ(NumberToHex(0xC81234, 6), "C81234");
    EXPECT_EQ(NumberToHex(0xFFFFFF, 6), "FFFFFF");
    // Effective codes may lie below zero or above full scale.
    EXPECT_EQ(registerLabelText(-32768), "8000");
    EXPECT_EQ(registerLabelText(98302), "17FFE");
    EXPECT_EQ(registerLabelText(0x1555), "1555");
}

}  // namespace
}  // namespace kteval
