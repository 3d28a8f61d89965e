#include "request_trace.h"

#include <gtest/gtest.h>
#include <unistd.h>

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
    void SetUp() override {
        directory = fs::temp_directory_path() /
                    ("kteval-trace-" + std::to_string(::getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    // Requests through the tracer must still reach the board.
    void expectRequestsPass(TracingUSBFunctions& tracer) {
        BoardLink link(tracer);
        link.WriteWord(24, 0xC81234);
        EXPECT_EQ(board.channel(0).X1A, 0x1234);
        link.SendRequest(request::LdacPulse);
        EXPECT_EQ(board.channel(0).DACreg, 0x1234);
        EXPECT_EQ(link.LastResult, 0);
    }

    fs::path directory;
    SimulatedBoard board{partByIndex(0)};
    std::ostringstream errors;
};

TEST_F(RequestTraceTest, OneLinePerCallWithItsMeaning) {
    const fs::path file = directory / "trace.txt";
    std::ofstream(file) << "earlier run\n";
    {
        TracingUSBFunctions tracer(board, file.string(), errors);
        BoardLink link(tracer);
        link.loadFirmware("/opt/kt");
        link.sendStart();
        link.WriteWord(24, 0xCD1234);
        link.WriteWord(24, 0x031555);
        link.WriteWord(24, 0x0D0003);
        link.WriteWord(24, 0x058580);
        link.ReadWord();
        link.SendRequest(request::ResetLow);
        link.SendRequest(200);
    }
    const std::vector<std::string> lines = linesOf(file);
    const std::vector<std::string> expected = {
        "earlier run",
        "LoadFirmWare /opt/kt/KT4421SPI.hex result 0",
        "request 224 value 0x0000 index 0x00 dir 0 len 0 result 0: start",
        "request 221 value 0x1234 index 0xCD dir 0 len 0 result 0: X write ch 5 data 0x1234",
        "request 221 value 0x1555 index 0x03 dir 0 len 0 result 0: offset DAC 1 0x1555",
        "request 221 value 0x0003 index 0x0D dir 0 len 0 result 0: GPIO output high",
        "request 221 value 0x8580 index 0x05 dir 0 len 0 result 0: readback 0x8580",
        "request 221 value 0x0000 index 0x00 dir 1 len 3 result 3: read 0x0001",
        "request 219 value 0x0000 index 0x00 dir 0 len 0 result 0: RESET low",
        "request 200 value 0x0000 index 0x00 dir 0 len 0 result -1: unknown request",
    };
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines[0], expected[0]);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        // "<milliseconds> ms <text>"
        const std::size_t unit = lines[i].find(" ms ");
        ASSERT_NE(unit, std::string::npos) << lines[i];
        ASSERT_GT(unit, 0u) << lines[i];
        EXPECT_EQ(lines[i].find_first_not_of("0123456789"), unit) << lines[i];
        EXPECT_EQ(lines[i].substr(unit + 4), expected[i]);
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

TEST_F(RequestTraceTest, UnwritableFileIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
    const fs::path file = directory / "readonly.txt";
    std::ofstream(file).close();
    fs::permissions(file, fs::perms::owner_read);
    TracingUSBFunctions tracer(board, file.string(), errors);
    expectRequestsPass(tracer);
    EXPECT_FALSE(tracer.tracing());
    EXPECT_NE(errors.str().find("Permission denied"), std::string::npos) << errors.str();
}

}  // namespace
}  // namespace kteval
