// `kteval --check` run as its own process over the emulated bus: what it
// prints about the firmware file and the board, and its exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "emulated_test_support.h"
#include "usb_id_cache.h"

namespace kteval {
namespace {

using namespace emulation::support;

// The program inherits umockdev's preload and the testbed from this process.
std::pair<int, std::string> runCheck() {
    std::FILE* pipe = popen((std::string("'") + KTEVAL_PROGRAM + "' --check").c_str(), "r");
    if (pipe == nullptr) return {-1, ""};
    std::string output;
    std::array<char, 4096> block{};
    while (std::fgets(block.data(), static_cast<int>(block.size()), pipe) != nullptr) {
        output += block.data();
    }
    const int wait = pclose(pipe);
    return {WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, output};
}

// The program's own wiring: firmware searched under $XDG_DATA_HOME, the
// firmware's ID taken from the cache under $XDG_CACHE_HOME, the board found
// through libusb, exit status 0 once both are ready (1 without a board: the
// program path test).
TEST(EmulatedCheck, ReadyWithFirmwareFileAndBoardUnderACachedId) {
    const testing_support::TempDir home;
    ASSERT_EQ(setenv("XDG_DATA_HOME", (home.path() / "data").c_str(), 1), 0);
    ASSERT_EQ(setenv("XDG_DATA_DIRS", (home.path() / "none").c_str(), 1), 0);
    ASSERT_EQ(setenv("XDG_CACHE_HOME", (home.path() / "cache").c_str(), 1), 0);
    unsetenv("KTEVAL_USB_IDS");
    emulation::EmulatedEzUsbBoard board;
    ASSERT_TRUE(UsbIdCache(UsbIdCache::pathFromEnvironment()).remember(kFirmwareId));
    board.plugInRunningFirmware();

    std::filesystem::create_directories(home.path() / "data" / "kteval");
    home.write("data/kteval/KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 32));
    const auto [status, output] = runCheck();
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find((home.path() / "data/kteval/KT4421SPI.hex").string()), std::string::npos);
    EXPECT_NE(output.find("looking for 04b4:8613, 04b4:4421"), std::string::npos) << output;
    EXPECT_NE(output.find("04b4:4421 on bus 1 port 2 (address 3), /dev/bus/usb/001/003: can be "
                          "opened"),
              std::string::npos);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
    unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace kteval
