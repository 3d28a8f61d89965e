#include "simulated_board.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "board_link.h"
#include "part_catalogue.h"
#include "request_codes.h"

namespace kteval {
namespace {

enum Part { KT4410, KT4411, KT4412, KT4413, KT4420, KT4421, KT4422, KT4423 };

ChannelRegisters& ch(ChipState& state, int index) {
    return state.channels[static_cast<std::size_t>(index)];
}

struct Board {
    explicit Board(Part part) : board(partByIndex(part)) {}
    void send(const std::vector<int32_t>& words) {
        for (const int32_t word : words) link.WriteWord(24, word);
    }
    void line(int16_t code) { link.SendRequest(code); }

    SimulatedBoard board;
    BoardLink link{board};
};

// Words written with LDAC high change exactly the registers named, nothing else.
struct WriteCase {
    const char* name;
    Part part;
    std::vector<int32_t> words;
    void (*change)(ChipState&);
};

TEST(SimulatedBoard, WordsLandInTheirRegisters) {
    // clang-format off
    const WriteCase cases[] = {
        {"X to B after control B", KT4410, {0x010004, 0xC81234},
         [](ChipState& s) { s.controlSelectsB = true, ch(s, 0).X1B = 0x1234; }},
        {"X to A again", KT4410, {0x010004, 0x010000, 0xC81234},
         [](ChipState& s) { ch(s, 0).X1A = 0x1234; }},
        {"M", KT4410, {0x4D1234}, [](ChipState& s) { ch(s, 5).M = 0x1234; }},
        {"C", KT4422, {0x9F0042}, [](ChipState& s) { ch(s, 23).C = 0x0042; }},
        {"14-bit X", KT4421, {0xEFFFFC}, [](ChipState& s) { ch(s, 39).X1A = 0x3FFF; }},
        {"14-bit drops data bits 1-0", KT4411, {0xC81237},
         [](ChipState& s) { ch(s, 0).X1A = 0x048D; }},
        {"8-channel part: index 9", KT4412, {0xD10001}, [](ChipState& s) { ch(s, 9).X1A = 1; }},
        {"8-channel part: index 5 absent", KT4413, {0xCD1234, 0x4D1234, 0x8D1234},
         [](ChipState&) {}},
        {"address below the channels", KT4420, {0xC71234, 0x401234}, [](ChipState&) {}},
        {"address above the channels", KT4420, {0xF01234, 0xFF1234}, [](ChipState&) {}},
        {"offset DACs, 14 bits", KT4420, {0x020000, 0x031555, 0x04FFFF},
         [](ChipState& s) { s.offsetDacs = {0, 0x1555, 0x3FFF}; }},
        {"group select", KT4420, {0x070055, 0x0A01FF},
         [](ChipState& s) { s.groupSelect[1] = 0x55, s.groupSelect[4] = 0xFF; }},
        {"group the part lacks", KT4410, {0x0800FF, 0x0A00FF}, [](ChipState&) {}},
        {"monitor 6 bits", KT4410, {0x0CFFFF}, [](ChipState& s) { s.monitor = 0x3F; }},
        {"GPIO", KT4411, {0x0D0003}, [](ChipState& s) { s.gpioConfig = 3; }},
        {"readback", KT4411, {0x058580}, [](ChipState& s) { s.readbackSelection = 0x8580; }},
        {"unknown special codes", KT4420, {0x0B1234, 0x000001, 0x3FFFFF}, [](ChipState&) {}},
    };
    // clang-format on
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        Board b(c.part);
        ChipState expected = b.board.state();
        c.change(expected);
        b.send(c.words);
        EXPECT_EQ(b.board.state(), expected);
        EXPECT_GE(b.link.LastResult, 0);
    }
}

TEST(SimulatedBoard, EveryPartPowersUpAtZeroVolts) {
    for (int part = 0; part < kPartCount; ++part) {
        const SimulatedBoard board(partByIndex(part));
        for (int i = 0; i < kChannelCount; ++i) EXPECT_EQ(board.outputVoltage(i), 0.0) << part;
    }
}

// X2 = C - 2^(n-1) + (M + 1) x X1 / 2^n, saturated at the ends of the code range.
TEST(SimulatedBoard, LdacPulseLoadsEffectiveCodesOfEveryChannel) {
    struct Case {
        const char* name;
        Part part;
        std::vector<int32_t> words;
        int index;
        int32_t dacReg;
    };
    const Case cases[] = {
        {"X1A", KT4410, {0xC81234}, 0, 0x1234},
        {"half gain", KT4410, {0xC88000, 0x487FFF}, 0, 0x4000},
        {"offset", KT4410, {0xC90000, 0x898001}, 1, 1},
        {"saturates low", KT4410, {0xC80000, 0x880000}, 0, 0},
        {"saturates high", KT4410, {0xC8FFFF, 0x88FFFF}, 0, 0xFFFF},
        {"group bit picks X1B", KT4420, {0x010004, 0xD2ABCD, 0x070004}, 10, 0xABCD},
        {"group bit clear keeps X1A", KT4420, {0x010004, 0xD2ABCD}, 10, 0x5554},
        {"14-bit", KT4421, {0xEFFFFC}, 39, 0x3FFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Board b(c.part);
        const int32_t before = b.board.channel(c.index).DACreg;
        b.send(c.words);
        EXPECT_EQ(b.board.channel(c.index).DACreg, before) << "loaded without LDAC";
        b.line(request::LdacPulse);
        EXPECT_EQ(b.board.channel(c.index).DACreg, c.dacReg);
    }
}

TEST(SimulatedBoard, LdacHeldLowLoadsOnEveryWrite) {
    Board b(KT4410);
    b.send({0xC80100});
    b.line(request::LdacLow);
    EXPECT_EQ(b.board.channel(0).DACreg, 0x0100) << "LDAC going low loads";
    b.send({0xC90200});
    EXPECT_EQ(b.board.channel(1).DACreg, 0x0200);
    b.send({0x010004, 0xC90300, 0x060002});
    EXPECT_EQ(b.board.channel(1).DACreg, 0x0300) << "group select reloads";
    b.line(request::LdacHigh);
    b.send({0xC90400});
    EXPECT_EQ(b.board.channel(1).DACreg, 0x0300);
    EXPECT_EQ(b.board.channel(1).X1B, 0x0400);
}

TEST(SimulatedBoard, ResetRestoresPowerOnOnTheRisingEdge) {
    Board b(KT4421);
    const ChipState powerOn = b.board.state();
    b.send({0xC80004, 0x031000, 0x06000F, 0x0C0021, 0x0D0003, 0x010004, 0x058580});
    b.line(request::LdacPulse);
    b.line(request::ResetHigh);
    EXPECT_NE(b.board.state(), powerOn) << "RESET high alone";
    b.line(request::ResetLow);
    EXPECT_FALSE(b.board.state().resetHigh);
    b.line(request::ResetHigh);
    EXPECT_EQ(b.board.state(), powerOn);
}

TEST(SimulatedBoard, ClrForcesZeroVoltsAndKeepsTheDacRegisters) {
    Board b(KT4410);
    b.send({0xC8FFFF});
    b.line(request::LdacPulse);
    EXPECT_NEAR(b.board.outputVoltage(0), 9.9997, 5e-5);
    b.line(request::ClrLow);
    EXPECT_EQ(b.board.outputVoltage(0), 0.0);
    EXPECT_EQ(b.board.channel(0).DACreg, 0xFFFF);
    b.line(request::ClrHigh);
    EXPECT_NEAR(b.board.outputVoltage(0), 9.9997, 5e-5);
}

// The family's reference voltage (5 V or 3 V) and the channel's own offset DAC.
TEST(SimulatedBoard, OutputVoltageUsesTheFamilyReferenceAndTheChannelsOffsetDac) {
    Board kt4421(KT4421);
    kt4421.send({0xEFFFFC});
    kt4421.line(request::LdacPulse);
    EXPECT_NEAR(kt4421.board.outputVoltage(39), 7.9995, 5e-5);
    Board kt4412(KT4412);  // channel 5 is index 9, voltage group 1
    kt4412.send({0x030000});
    EXPECT_NEAR(kt4412.board.outputVoltage(9), 10.0, 1e-12);
    EXPECT_EQ(kt4412.board.outputVoltage(1), 0.0);
    EXPECT_EQ(kt4412.board.outputVoltage(5), 0.0) << "index the part lacks";
}

TEST(SimulatedBoard, GpioReadFollowsTheConfiguration) {
    struct Case {
        int32_t config;
        bool inputLevel;
        uint8_t expected;
    };
    for (const Case& c : {Case{0x0D0000, false, 0}, Case{0x0D0000, true, 1},
                          Case{0x0D0002, true, 0}, Case{0x0D0003, false, 1}}) {
        SCOPED_TRACE(c.config * 2 + c.inputLevel);
        Board b(KT4410);
        b.board.setGpioInputLevel(c.inputLevel);
        b.link.ReadBuffer = {0xEE, 0xEE, 0xEE};
        b.send({c.config, 0x058580});
        EXPECT_EQ(b.link.ReadWord(), c.expected);
        EXPECT_EQ(b.link.LastResult, 3);
    }
    Board b(KT4410);
    b.board.setGpioInputLevel(true);
    b.send({0x050000});
    EXPECT_EQ(b.link.ReadWord(), 0) << "other readback selections read 0";
}

TEST(SimulatedBoard, UnknownRequestsAndBadArgumentsChangeNothing) {
    struct Case {
        int16_t request;
        int32_t value, index;
        int16_t direction, length;
        bool nullBuffer;
        int16_t result;
    };
    constexpr int16_t unknown = SimulatedBoard::kUnknownRequest;
    constexpr int16_t bad = SimulatedBoard::kBadArguments;
    const Case cases[] = {
        {0, 0, 0, 0, 0, false, unknown},        {217, 0, 0, 0, 0, false, unknown},
        {225, 0, 0, 0, 0, false, unknown},      {228, 0x1234, 0xC8, 0, 0, false, unknown},
        {-1, 0, 0, 0, 0, false, unknown},       {221, 0x1234, 0xC8, 0, 1, true, bad},
        {221, 0x1234, 0xC8, 0, -1, false, bad}, {221, 0, 0, 1, 2, false, bad},
        {221, 0, 0, 1, 3, true, bad},           {221, 0x1234, 0xC8, 2, 0, false, bad},
        {221, 0x10000, 0xC8, 0, 0, false, bad}, {221, 0x1234, 0x1C8, 0, 0, false, bad},
        {221, -1, 0, 0, 0, false, bad},         {218, 0, 0, 1, 0, false, bad},
        {219, 0, 0, 0, -3, false, bad},         {222, 0, 0, 0, 4, true, bad},
    };
    Board b(KT4420);
    b.send({0xC81234, 0x058580});
    b.line(request::ResetLow);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        const ChipState before = b.board.state();
        std::array<uint8_t, 4> buffer{0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_EQ(b.board.VendorIORequest(c.request, c.value, c.index, c.direction, c.length,
                                          c.nullBuffer ? nullptr : buffer.data()),
                  c.result);
        EXPECT_EQ(b.board.state(), before);
        EXPECT_EQ(buffer, (std::array<uint8_t, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
    }
}

}  // namespace
}  // namespace kteval
