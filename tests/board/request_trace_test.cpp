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
        link.SendRequest(request::LdacPulse);
        EXPECT_EQ(board.channel(0).DACreg, 0x1234);
        EXPECT_EQ(link.LastResult, 0);
    }

    testing_support::TempDir temp;
    const fs::path directory = temp.path();
    SimulatedBoard board{partByIndex(0)};
    std::ostringstream errors;
};

// "<milliseconds> ms <text>"; the text names the request, its arguments, its
// result and, for a word, what the chip makes of it.
TEST_F(RequestTraceTest, OneLinePerCallWithItsMeaning) {
    // clang-format off
    const std::pair<int32_t, const char*> words[] = {
        {0xEFFFFC, "X write ch 39 data 0xFFFC"},
        {0x988000, "C write ch 16 data 0x8000"}, {0x4DFFFF, "M write ch 5 data 0xFFFF"},
        {0xC71234, "mode 3 write to address 0x07 (no channel) data 0x1234"},
        {0x010004, "control B"}, {0x010006, "control 0x0006"},
        {0x043FFF, "offset DAC 2 0x3FFF"}, {0x0A00FF, "group select 4 0xFF"},
        {0x0B1234, "unknown special 0x0B data 0x1234"},
        {0x3F0000, "unknown special 0x3F data 0x0000"}, {0x0C0020, "monitor 0x20"},
        {0x0D0000, "GPIO input"}, {0x0D0002, "GPIO output low"}, {0x0D0001, "GPIO 0x0001"},
        // Whole lines: the request's own part and the word's meaning.
        {0x0D0003, "request 221 value 0x0003 index 0x0D dir 0 len 0 result 0: GPIO output high"},
        {static_cast<int32_t>(0xFF058580u),  // bits 31-24 are not part of the word
         "request 221 value 0x8580 index 0x05 dir 0 len 0 result 0: readback 0x8580"},
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
        link.ReadWord();
        link.SendRequest(request::ResetLow);
        link.SendRequest(200);
    }
    std::vector<std::string> expected = {
        "LoadFirmWare /opt/kt/KT4421SPI.hex result 0",
        "request 224 value 0x0000 index 0x00 dir 0 len 0 result 0: start",
    };
    for (const auto& [word, text] : words) expected.emplace_back(text);
    expected.insert(expected.end(),
                    {"request 221 value 0x0000 index 0x00 dir 1 len 3 result 3: read 0x0001",
                     "request 219 value 0x0000 index 0x00 dir 0 len 0 result 0: RESET low",
                     "request 200 value 0x0000 index 0x00 dir 0 len 0 result -1: unknown request"});
    const std::vector<std::string> lines = linesOf(file);
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(lines[0], "earlier run");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t unit = lines[i].find(" ms ");
        ASSERT_NE(unit, std::string::npos) << lines[i];
        ASSERT_GT(unit, 0u) << lines[i];
        EXPECT_EQ(lines[i].find_first_not_of("0123456789"), unit) << lines[i];
        const std::string& want = expected[i - 1];
        const std::string got = lines[i].substr(unit + 4);
        if (want.starts_with("request ") || want.starts_with("LoadFirmWare ")) {
            EXPECT_EQ(got, want);
        } else {  // a word's meaning: the request's own part as above
            EXPECT_TRUE(got.starts_with("request 221 value 0x")) << got;
            EXPECT_TRUE(got.ends_with(" dir 0 len 0 result 0: " + want)) << got;
        }
    }
    EXPECT_EQ(errors.str(), "");
}

TEST_F(RequestTraceTest, EnvironmentNamesTheFile) {
    const fs::path file = directory / "env.txt";
    ASSERT_EQ(::unsetenv(TracingUSBFunctions::kEnvironmentVariable), 0);
    auto untraced = TracingUSBFunctions::fromEnvironment(board, errors);
    EXPECT_FALSE(untraced->tracing());
    expectRequestsPass(*untraced);

    ASSERT_EQ(::setenv(TracingUSBFunctions::kEnvironmentVariable, file.c_str(), 1), 0);
    auto traced = TracingUSBFunctions::fromEnvironment(board, errors);
    ::unsetenv(TracingUSBFunctions::kEnvironmentVariable);
    EXPECT_TRUE(traced->tracing());
    expectRequestsPass(*traced);
    EXPECT_EQ(linesOf(file).size(), 2u);
    EXPECT_EQ(errors.str(), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), 1)
        << "the untraced run wrote no file";
}

// Each failure: one line on the error stream, then requests go on untraced.
TEST_F(RequestTraceTest, FailuresAreReportedOnceAndRequestsGoOn) {
    struct Case {
        const char* name;
        fs::path path;
        bool deleteAfterFirstLine;
        const char* reason;
    };
    const Case cases[] = {
        {"missing folder", directory / "missing" / "trace.txt", false, "No such file"},
        {"a folder", directory, false, "Is a directory"},
        {"full disk", "/dev/full", false, "stopped"},
        {"deleted", directory / "deleted.txt", true, "deleted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        errors.str("");
        TracingUSBFunctions tracer(board, c.path.string(), errors);
        if (c.deleteAfterFirstLine) {
            expectRequestsPass(tracer);
            EXPECT_EQ(linesOf(c.path).size(), 2u);
            fs::remove(c.path);
        }
        expectRequestsPass(tracer);
        expectRequestsPass(tracer);
        EXPECT_FALSE(tracer.tracing());
        const std::string text = errors.str();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_NE(text.find(c.path.string()), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace kteval
