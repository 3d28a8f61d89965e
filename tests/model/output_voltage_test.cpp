#include "output_voltage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "kt442x_module.h"

namespace kteval {
namespace {

// A module of the part at its start values.
KT442xModule startedModule(const char* partName) {
    KT442xModule module;
    module.applySetup(*findPart(partName));
    module.ResetChannelTable();
    module.resetOffsetCodes();
    return module;
}

struct VoltageRow {
    const char* part;
    int channel;     // channel number
    int32_t dacReg;  // written into the record the channel number names
    const char* text;
};

class TransferFunctionTest : public ::testing::TestWithParam<VoltageRow> {};

TEST_P(TransferFunctionTest, StartValuesOfEachFamily) {
    const VoltageRow row = GetParam();
    KT442xModule module = startedModule(row.part);
    const PartInfo* part = findPart(row.part);
    module.DACs(indexOfChannelNumber(part, row.channel)).DACreg = row.dacReg;
    const double vref = readReferenceText(part->referenceText);
    EXPECT_EQ(
        TransferFunction(row.part, row.channel, module.DACs, module.OffsetCode, {vref, vref, vref}),
        row.text);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Families, TransferFunctionTest, ::testing::Values(
    VoltageRow{"KT4410", 0, 0x8000, "0.0000"}, VoltageRow{"KT4410", 15, 0, "-10.0000"},
    VoltageRow{"KT4411", 9, 0x3FFF, "9.9988"}, VoltageRow{"KT4413", 7, 0, "-10.0000"},
    VoltageRow{"KT4422", 31, 0xFFFF, "8.0001"}, VoltageRow{"KT4420", 20, 0, "-3.9998"},
    VoltageRow{"KT4423", 16, 0x3FFF, "7.9995"}));
// clang-format on

TEST(TransferFunction, KT4412ChannelFiveReadsIndexNineWithGroupOne) {
    KT442xModule module = startedModule("KT4412");
    module.OffsetCode[1] = 0;
    module.DACs(9).DACreg = 0x4000;
    module.DACs(5).DACreg = 0;  // an unused index must not be read
    // (0x4000 - 0) x (4 x 2.5) / 65536 = 2.5
    EXPECT_EQ(TransferFunction("KT4412", 5, module.DACs, module.OffsetCode, {9, 2.5, 9}), "2.5000");
}

TEST(TransferFunction, ChannelsOutsideThePartAndUnknownPartsGiveZero) {
    KT442xModule module = startedModule("KT4410");
    module.DACs(20).DACreg = 0xFFFF;
    EXPECT_EQ(TransferFunction("KT4410", 20, module.DACs, module.OffsetCode, {5, 5, 5}), "0.0000");
    EXPECT_EQ(TransferFunction("", 0, module.DACs, module.OffsetCode, {5, 5, 5}), "0.0000");
}

TEST(FormatVoltage, PatternAndSign) {
    EXPECT_EQ(formatVoltage(-10.0), "-10.0000");
    EXPECT_EQ(formatVoltage(0.00004), "0.0000");
    EXPECT_EQ(formatVoltage(-0.00004), "0.0000");  // never "-0.0000"
    EXPECT_EQ(formatVoltage(-0.00005001), "-0.0001");
}

TEST(ReferenceText, ReadingRule) {
    struct Row {
        const char* text;
        double value;
    };
    const Row rows[] = {{"2.50 V", 2.5}, {"abc", 0}, {"-1e1", -10}, {"+.5", 0.5}, {"1 2", 12},
                        {"-", 0},        {"inf", 0}, {"1e999", 0},  {"3,3", 3},   {".", 0}};
    for (const Row& row : rows)
        EXPECT_DOUBLE_EQ(readReferenceText(row.text), row.value) << row.text;
}

TEST(ReferenceText, ShortestDecimal) {
    EXPECT_EQ(formatDecimal(2.5), "2.5");
    EXPECT_EQ(formatDecimal(-0.0), "0");
    EXPECT_EQ(formatDecimal(0.1 + 0.2), "0.3");  // at most 15 significant digits
    EXPECT_EQ(formatDecimal(-10), "-10");
}

// A decimal comma in the C++ global locale, and in the C locale where a German one is installed.
TEST(ReferenceText, IndependentOfTheUsersLocale) {
    struct Comma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new Comma));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(readReferenceText("2.5"), 2.5);
    EXPECT_EQ(formatDecimal(2.5), "2.5");
    EXPECT_EQ(formatVoltage(2.5), "2.5000");
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace kteval
