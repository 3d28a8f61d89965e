// `kteval --check` run as its own process over the emulated bus.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "emulated_test_support.h"
#include "usb_id_cache.h"

namespace kteval {
namespace {

using namespace emulation::support;

// The program's own wiring: firmware searched under $XDG_DATA_HOME, the
// firmware's ID taken from the cache under $XDG_CACHE_HOME, the board found
// through libusb, exit status 0 once both are ready (1 without a board: the
// program path test). The child inherits umockdev's preload and testbed.
TEST(EmulatedCheck, ReadyWithFirmwareFileAndBoardUnderACachedId) {
    const testing_support::TempDir home;
    ASSERT_EQ(setenv("XDG_DATA_HOME", (home.path() / "data").c_str(), 1), 0);
    ASSERT_EQ(setenv("XDG_CACHE_HOME", (home.path() / "cache").c_str(), 1), 0);
    unsetenv("KTEVAL_USB_IDS");
    emulation::EmulatedEzUsbBoard board;
    ASSERT_TRUE(UsbIdCache(UsbIdCache::pathFromEnvironment()).remember(kFirmwareId));
    board.plugInRunningFirmware();
    std::filesystem::create_directories(home.path() / "data" / "kteval");
    const std::string firmware =
        home.write("data/kteval/KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 32));

    std::FILE* pipe = popen((std::string("'") + KTEVAL_PROGRAM + "' --check").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output(1 << 16, '\0');
    output.resize(std::fread(output.data(), 1, output.size(), pipe));
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_NE(output.find(firmware + " (Intel HEX"), std::string::npos) << output;
    EXPECT_NE(output.find("looking for 04b4:8613, 04b4:4421"), std::string::npos);
    EXPECT_NE(output.find("04b4:4421 on bus 1 port 2 (address 3), /dev/bus/usb/001/003: can be "
                          "opened"),
              std::string::npos);
}

}  // namespace
}  // namespace kteval
