#include "request_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board_link.h"
#include "request_codes.h"
#include "simulated_board.h"
#include "temp_dir.h"

namespace kteval {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> linesOf(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class RequestTraceTest : public ::testing::Test {
  protected:
    // Requests through the tracer must still reach the board.
    void expectRequestsPass(TracingUSBFunctions& tracer) {
        BoardLink link(tracer);
        link.WriteWord(24, 0xC81234);
        EXPECT_EQ(board.channel(0).X1A, 0x1234);
    }

    testing_support::TempDir temp;
    const fs::path directory = temp.path();
    SimulatedBoard board{partByIndex(0)};
    std::ostringstream errors;
};

// "<milliseconds> ms request ... result R: <meaning>", one row per kind of word,
// appended to what the file held.
TEST_F(RequestTraceTest, OneLinePerCallWithItsMeaning) {
    // clang-format off
    const std::pair<int32_t, const char*> words[] = {
        {0xEFFFFC, "X write ch 39 data 0xFFFC"}, {0x988000, "C write ch 16 data 0x8000"},
        {0x4DFFFF, "M write ch 5 data 0xFFFF"},
        {0xC71234, "mode 3 write to address 0x07 (no channel) data 0x1234"},
        {0x010004, "control B"}, {0x010006, "control 0x0006"},
        {0x043FFF, "offset DAC 2 0x3FFF"}, {0x0A00FF, "group select 4 0xFF"},
        {0x0B1234, "unknown special 0x0B data 0x1234"}, {0x0C0020, "monitor 0x20"},
        {0x0D0000, "GPIO input"}, {0x0D0002, "GPIO output low"}, {0x0D0001, "GPIO 0x0001"},
        {0x0D0003, "GPIO output high"},
    };
    // clang-format on
    const fs::path file = directory / "trace.txt";
    std::ofstream(file) << "earlier run\n";
    {
        TracingUSBFunctions tracer(board, file.string(), errors);
        BoardLink link(tracer);
        link.loadFirmware("/opt/kt");
        link.sendStart();
        for (const auto& [word, text] : words) link.WriteWord(24, word);
        link.WriteWord(24, static_cast<int32_t>(0xFF058580u));  // bits 31-24 are not sent
        link.ReadWord();
        link.SendRequest(request::ResetLow);
        link.SendRequest(200);
    }
    std::vector<std::string> expected = {
        "earlier run", "LoadFirmWare /opt/kt/KT4421SPI.hex result 0 (simulated board)",
        "request 224 value 0x0000 index 0x00 dir 0 len 0 result 0: start"};
    for (const auto& [word, text] : words) expected.emplace_back(text);
    expected.insert(expected.end(),
                    {"request 221 value 0x8580 index 0x05 dir 0 len 0 result 0: readback 0x8580",
                     "request 221 value 0x0000 index 0x00 dir 1 len 3 result 3: read 0x0001",
                     "request 219 value 0x0000 index 0x00 dir 0 len 0 result 0: RESET low",
                     "request 200 value 0x0000 index 0x00 dir 0 len 0 result -1: unknown request"});
    std::vector<std::string> lines = linesOf(file);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t unit = lines[i].find(" ms ");
        ASSERT_TRUE(unit > 0 && unit != std::string::npos) << lines[i];
        EXPECT_EQ(lines[i].find_first_not_of("0123456789"), unit) << lines[i];
        lines[i].erase(0, unit + 4);
        if (i >= 3 && i < 3 + std::size(words)) {  // a word: its meaning after the request part
            EXPECT_TRUE(lines[i].starts_with("request 221 value 0x")) << lines[i];
            lines[i].erase(0, lines[i].find(" dir 0 len 0 result 0: ") + 23);
        }
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(errors.str(), "");
}

// Unset: no file and requests pass; set: the file named gets the lines.
TEST_F(RequestTraceTest, EnvironmentNamesTheFile) {
    const fs::path file = directory / "env.txt";
    ASSERT_EQ(::unsetenv(TracingUSBFunctions::kEnvironmentVariable), 0);
    auto untraced = TracingUSBFunctions::fromEnvironment(board, errors);
    EXPECT_FALSE(untraced->tracing());
    expectRequestsPass(*untraced);
    EXPECT_TRUE(fs::is_empty(directory));
    ASSERT_EQ(::setenv(TracingUSBFunctions::kEnvironmentVariable, file.c_str(), 1), 0);
    auto traced = TracingUSBFunctions::fromEnvironment(board, errors);
    ::unsetenv(TracingUSBFunctions::kEnvironmentVariable);
    expectRequestsPass(*traced);
    EXPECT_EQ(linesOf(file).size(), 1u);
    EXPECT_EQ(errors.str(), "");
}

// Each failure: one line on the error stream, then requests go on untraced.
TEST_F(RequestTraceTest, FailuresAreReportedOnceAndRequestsGoOn) {
    const std::pair<fs::path, const char*> cases[] = {
        {directory / "missing" / "trace.txt", "No such file"},
        {"/dev/full", "stopped"},
        {directory / "deleted.txt", "deleted"},
    };
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        errors.str("");
        TracingUSBFunctions tracer(board, path.string(), errors);
        if (std::string(reason) == "deleted") {
            expectRequestsPass(tracer);
            EXPECT_EQ(linesOf(path).size(), 1u);
            fs::remove(path);
        }
        expectRequestsPass(tracer);
        expectRequestsPass(tracer);
        EXPECT_FALSE(tracer.tracing());
        const std::string text = errors.str();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_NE(text.find(reason), std::string::npos) << text;
        EXPECT_NE(text.find(path.string()), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace kteval
