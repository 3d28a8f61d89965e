// The voltage table's transfer function, its number format and the reading of
// reference texts, whatever the user's locale.
#include "output_voltage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "kt442x_module.h"

namespace kteval {
namespace {

// Catches a wrong family reference or offset DAC, 2 x VREF, the last channel
// of a group without its offset, KT4412's channel 5 read from index 5 (9 is
// right), and channels outside the part or unknown parts not reading 0.
TEST(TransferFunction, StartValuesOfEachFamily) {
    // Part, channel number, its index in the table, DAC register, voltage shown.
    const std::tuple<const char*, int, int, int32_t, const char*> rows[] = {
        {"KT4410", 0, 0, 0x8000, "0.0000"},   {"KT4410", 15, 15, 0, "-10.0000"},
        {"KT4411", 9, 9, 0x3FFF, "9.9988"},   {"KT4413", 7, 11, 0, "-10.0000"},
        {"KT4422", 31, 31, 0xFFFF, "8.0001"}, {"KT4420", 20, 20, 0, "-3.9998"},
        {"KT4423", 16, 16, 0x3FFF, "7.9995"}, {"KT4412", 5, 9, 0xC000, "2.5000"},
        {"KT4410", 20, 20, 0xFFFF, "0.0000"}, {"", 0, 0, 0xFFFF, "0.0000"}};
    for (const auto& [name, channel, index, dacReg, text] : rows) {
        const PartInfo* part = findPart(name);
        KT442xModule module;
        if (part != nullptr) module.applySetup(*part);
        module.ResetChannelTable();
        module.resetOffsetCodes();
        const bool kt4412 = std::string_view(name) == "KT4412";
        module.DACs(kt4412 ? 5 : 20).DACreg = 0;  // an unused index must not be read
        module.DACs(index).DACreg = dacReg;
        const double vref = part != nullptr ? readReferenceText(part->referenceText) : 5;
        EXPECT_EQ(TransferFunction(name, channel, module.DACs, module.OffsetCode,
                                   {vref, kt4412 ? 2.5 : vref, vref}),
                  text)
            << name << " " << channel;
    }
}

// Catches 3 decimals, "-0.0000", and a reading rule other than the leading number.
TEST(ReferenceText, FormatAndReadingRule) {
    for (const auto& [volts, text] : {std::pair{-10.0, "-10.0000"},
                                      {0.00004, "0.0000"},
                                      {-0.00004, "0.0000"},
                                      {-0.00005001, "-0.0001"}})
        EXPECT_EQ(formatVoltage(volts), text);
    const std::pair<const char*, double> rows[] = {
        {"2.50 V", 2.5}, {"abc", 0}, {"-1e1", -10}, {"+.5", 0.5}, {"1 2", 12},
        {"-", 0},        {"inf", 0}, {"1e999", 0},  {"3,3", 3},   {".", 0}};
    for (const auto& [text, value] : rows) EXPECT_DOUBLE_EQ(readReferenceText(text), value) << text;
    // At most 15 significant digits, no "-0".
    EXPECT_EQ(
        formatDecimal(2.5) + formatDecimal(-0.0) + formatDecimal(0.1 + 0.2) + formatDecimal(-10),
        "2.500.3-10");
}

// Catches a decimal comma taken from the C++ global locale, or from the C
// locale where a German one is installed.
TEST(ReferenceText, IndependentOfTheUsersLocale) {
    struct Comma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new Comma));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(readReferenceText("2.5"), 2.5);
    EXPECT_EQ(formatDecimal(2.5) + " " + formatVoltage(2.5), "2.5 2.5000");
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace kteval
