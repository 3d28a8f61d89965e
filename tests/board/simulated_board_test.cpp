#include "simulated_board.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "board_link.h"
#include "part_catalogue.h"
#include "request_codes.h"

// X, M, C, offset and A/B control writes, LDAC pulses and RESET are pinned by
// the model-vs-chip agreement property; these are the chip's own branches the
// program never takes.
namespace kteval {
namespace {

enum Part { KT4410, KT4411, KT4412, KT4413, KT4420, KT4421, KT4422, KT4423 };

struct Board {
    explicit Board(Part part) : board(partByIndex(part)) {}
    void send(const std::vector<int32_t>& words) {
        for (const int32_t word : words) link.WriteWord(24, word);
    }
    SimulatedBoard board;
    BoardLink link{board};
};

// Words that change only what is named: absent channels, field masks, groups the part lacks.
TEST(SimulatedBoard, WordsLandInTheirRegisters) {
    struct Case {
        Part part;
        std::vector<int32_t> words;
        void (*change)(ChipState&);
    } cases[] = {
        {KT4413, {0xCD1234, 0x4D1234, 0x8D1234}, [](ChipState&) {}},  // index 5 absent
        {KT4420, {0xC71234, 0xF01234, 0xFF1234}, [](ChipState&) {}},  // outside the channels
        {KT4420, {0x04FFFF}, [](ChipState& s) { s.offsetDacs[2] = 0x3FFF; }},
        {KT4420,
         {0x070055, 0x0A01FF},
         [](ChipState& s) { s.groupSelect[1] = 0x55, s.groupSelect[4] = 0xFF; }},
        {KT4410, {0x0800FF, 0x0A00FF}, [](ChipState&) {}},  // groups the part lacks
        {KT4410, {0x0CFFFF}, [](ChipState& s) { s.monitor = 0x3F; }},
        {KT4411, {0x0DFFFF}, [](ChipState& s) { s.gpioConfig = 3; }},
        {KT4411, {0x058580}, [](ChipState& s) { s.readbackSelection = 0x8580; }},
        {KT4420, {0x0B1234, 0x000001, 0x3FFFFF}, [](ChipState&) {}},  // unknown specials
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words.front());
        Board b(c.part);
        ChipState expected = b.board.state();
        c.change(expected);
        b.send(c.words);
        EXPECT_EQ(b.board.state(), expected);
    }
}

// X2 saturates at the ends of the code range; LDAC held low loads on every
// write and on a group select; an LDAC-high write waits for the next pulse.
TEST(SimulatedBoard, DacRegisterSaturatesAndFollowsLdac) {
    Board b(KT4410);
    b.send({0xC80000, 0x880000, 0xC9FFFF, 0x89FFFF});
    b.link.SendRequest(request::LdacPulse);
    EXPECT_EQ(b.board.channel(0).DACreg, 0);
    EXPECT_EQ(b.board.channel(1).DACreg, 0xFFFF);
    b.send({0xCA0100});
    b.link.SendRequest(request::LdacLow);
    EXPECT_EQ(b.board.channel(2).DACreg, 0x0100) << "LDAC going low loads";
    b.send({0xCA0200});
    EXPECT_EQ(b.board.channel(2).DACreg, 0x0200);
    b.send({0x010004, 0xCB0300, 0x060008});
    EXPECT_EQ(b.board.channel(3).DACreg, 0x0300) << "group select reloads";
    b.link.SendRequest(request::LdacHigh);
    b.send({0xCB0400});
    EXPECT_EQ(b.board.channel(3).DACreg, 0x0300);
}

// Family reference (5 V or 3 V), the channel's own offset DAC, CLR low forcing
// 0 V while keeping the DAC register, indices the part lacks at 0 V.
TEST(SimulatedBoard, OutputVoltageUsesTheFamilyReferenceOffsetDacAndClr) {
    for (int part = 0; part < kPartCount; ++part) {
        EXPECT_EQ(SimulatedBoard(partByIndex(part)).outputVoltage(0), 0.0) << part;
    }
    Board kt4421(KT4421);
    kt4421.send({0xEFFFFC});
    kt4421.link.SendRequest(request::LdacPulse);
    EXPECT_NEAR(kt4421.board.outputVoltage(39), 7.9995, 5e-5);
    kt4421.link.SendRequest(request::ClrLow);
    EXPECT_EQ(kt4421.board.outputVoltage(39), 0.0);
    EXPECT_EQ(kt4421.board.channel(39).DACreg, 0x3FFF);
    kt4421.link.SendRequest(request::ClrHigh);
    EXPECT_NEAR(kt4421.board.outputVoltage(39), 7.9995, 5e-5);
    Board kt4412(KT4412);  // channel 5 is index 9, voltage group 1
    kt4412.send({0x030000});
    EXPECT_NEAR(kt4412.board.outputVoltage(9), 10.0, 1e-12);
    EXPECT_EQ(kt4412.board.outputVoltage(1), 0.0);
    EXPECT_EQ(kt4412.board.outputVoltage(5), 0.0) << "index the part lacks";
}

// GPIO pin: input level, or driven low/high; other readback selections read 0.
TEST(SimulatedBoard, GpioReadFollowsTheConfiguration) {
    for (const auto& [config, input, expected] : {std::tuple{0x0D0000, true, 1},
                                                  {0x0D0002, true, 0},
                                                  {0x0D0003, false, 1},
                                                  {0x050000, true, 0}}) {
        Board b(KT4410);
        b.board.setGpioInputLevel(input);
        b.link.ReadBuffer = {0xEE, 0xEE, 0xEE};
        b.send({config, config == 0x050000 ? 0x050000 : 0x058580});
        EXPECT_EQ(b.link.ReadWord(), expected) << config;
        EXPECT_EQ(b.link.LastResult, 3);
    }
}

// One row per refusal branch: the chip and the buffer stay as they were.
TEST(SimulatedBoard, UnknownRequestsAndBadArgumentsChangeNothing) {
    constexpr int16_t unknown = SimulatedBoard::kUnknownRequest;
    constexpr int16_t bad = SimulatedBoard::kBadArguments;
    struct Case {
        int16_t request;
        int32_t value, index;
        int16_t direction, length;
        bool nullBuffer;
        int16_t result;
    } cases[] = {
        {225, 0, 0, 0, 0, false, unknown},      {221, 0x1234, 0xC8, 0, 1, true, bad},
        {221, 0x1234, 0xC8, 0, -1, false, bad}, {221, 0, 0, 1, 2, false, bad},
        {221, 0x1234, 0xC8, 2, 0, false, bad},  {221, 0x10000, 0xC8, 0, 0, false, bad},
        {221, 0x1234, 0x1C8, 0, 0, false, bad}, {221, -1, 0, 0, 0, false, bad},
        {221, 0, -1, 0, 0, false, bad},         {218, 0, 0, 1, 0, false, bad},
    };
    Board b(KT4420);
    b.send({0xC81234, 0x058580});
    b.link.SendRequest(request::ResetLow);
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

// KTEVAL_SIMULATE_FAULT, call by call (L load, W write of the call's number
// to channel 0, R read): the answers from the fault's call on, a failing write
// leaving the register alone; a malformed value is refused, naming it.
TEST(SimulatedBoard, FaultsFailCallsFromTheirNumberOn) {
    const std::string script = "LWWLWR";
    const std::pair<const char*, std::array<int, 6>> cases[] = {
        {"", {0, 0, 0, 0, 0, 3}},
        {"unplugged@3", {0, 0, -24, -1, -24, -24}},
        {"timeout@2", {0, -22, -22, 0, -22, -22}},
        {"loadfail@4", {0, 0, 0, -8, -20, -20}},
        {"loadfail@1", {-8, -20, -20, -8, -20, -20}},
        {"unplugged", {}},
        {"timeout@0", {}},
        {"timeout@-1", {}},
        {"loadfail@2x", {}},
        {"Timeout@2", {}},
        {"@2", {}},
        {"timeout@99999999999", {}},
    };
    for (const auto& [text, results] : cases) {
        SCOPED_TRACE(text);
        Board b(KT4410);
        const SimulatedFaultSetting setting = parseSimulatedFault(text);
        const std::optional<std::string>& error = setting.error;
        if (results == std::array<int, 6>{}) {
            ASSERT_TRUE(error);
            EXPECT_NE(error->find(std::string("'") + text + "'"), std::string::npos) << *error;
            continue;
        }
        ASSERT_FALSE(error) << *error;
        b.board.setFault(setting.fault);
        int written = b.board.channel(0).X1A;
        for (std::size_t call = 0; call < script.size(); ++call) {
            const auto number = static_cast<int32_t>(call + 1);
            if (script[call] == 'L') b.link.loadFirmware("/opt/kt");
            if (script[call] == 'W') b.link.WriteWord(24, 0xC80000 + number);
            if (script[call] == 'R') b.link.ReadWord();
            EXPECT_EQ(b.link.LastResult, results[call]) << script[call] << number;
            if (script[call] == 'W' && b.link.LastResult == 0) written = number;
        }
        EXPECT_EQ(b.board.channel(0).X1A, written);
    }
}

}  // namespace
}  // namespace kteval
