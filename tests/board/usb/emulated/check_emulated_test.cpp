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

using emulation::EmulatedEzUsbBoard;
using namespace emulation::support;

struct CheckRun {
    int status = -1;
    std::string output;
};

// The program inherits umockdev's preload and the testbed from this process.
CheckRun runCheck(const std::string& arguments) {
    const std::string command = std::string("'") + KTEVAL_PROGRAM + "' --check " + arguments;
    CheckRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> block{};
    while (std::fgets(block.data(), static_cast<int>(block.size()), pipe) != nullptr) {
        run.output += block.data();
    }
    const int wait = pclose(pipe);
    run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    return run;
}

enum class Setup { Loader, RunningFirmware, Unplugged };

struct Case {
    const char* name;
    Setup setup;
    bool firmwareInDataHome;  // else given with --firmware, or (Unplugged) there
    bool firmwareThere;
    int status;
    std::vector<std::string> lines;  // each must appear in the report
};

TEST(EmulatedCheck, ReportsTheFirmwareAndTheBoard) {
    // clang-format off
    const Case cases[] = {
        {"unprogrammed board", Setup::Loader, false, true, 0,
         {"04b4:8613 on bus 1 port 2 (address 2), /dev/bus/usb/001/002: can be opened",
          "Result: ready (04b4:8613 on bus 1 port 2 (address 2))"}},
        {"board running its firmware, ID from the cache", Setup::RunningFirmware, true, true, 0,
         {"looking for 04b4:8613, 04b4:4421",
          "04b4:4421 on bus 1 port 2 (address 3), /dev/bus/usb/001/003: can be opened",
          "Result: ready"}},
        {"no board", Setup::Unplugged, false, true, 1, {"none found", "Result: not ready: no board"}},
        {"no firmware", Setup::Loader, true, false, 1,
         {"not found; looked for:", "/kteval/KT4421SPI.hex\n", "--firmware FILE",
          "Result: not ready: no usable firmware image"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const testing_support::TempDir home;
        const std::filesystem::path dataHome = home.path() / "data";
        const std::filesystem::path cacheHome = home.path() / "cache";
        std::filesystem::create_directories(dataHome / "kteval");
        ASSERT_EQ(setenv("XDG_DATA_HOME", dataHome.c_str(), 1), 0);
        ASSERT_EQ(setenv("XDG_DATA_DIRS", (home.path() / "none").c_str(), 1), 0);
        ASSERT_EQ(setenv("XDG_CACHE_HOME", cacheHome.c_str(), 1), 0);
        unsetenv("KTEVAL_USB_IDS");
        const std::string image = writeIntelHex(testing_support::sampleImage(), 32);
        std::string arguments;
        if (c.firmwareThere) {
            const std::filesystem::path file = c.firmwareInDataHome
                                                   ? dataHome / "kteval" / "KT4421SPI.hex"
                                                   : home.path() / "board.hex";
            home.write(std::filesystem::relative(file, home.path()).string(), image);
            if (!c.firmwareInDataHome) arguments = "--firmware '" + file.string() + "'";
        }

        EmulatedEzUsbBoard board;
        if (c.setup == Setup::RunningFirmware) {
            ASSERT_TRUE(UsbIdCache(UsbIdCache::pathFromEnvironment()).remember(kFirmwareId));
            board.plugInRunningFirmware(kFirmwareId);
        } else if (c.setup == Setup::Unplugged) {
            board.unplug();
        }
        const CheckRun run = runCheck(arguments);
        EXPECT_EQ(run.status, c.status) << run.output;
        for (const std::string& line : c.lines) {
            EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
        }
        if (c.firmwareThere && c.firmwareInDataHome) {
            EXPECT_NE(run.output.find((dataHome / "kteval" / "KT4421SPI.hex").string()),
                      std::string::npos)
                << run.output;
        }
    }
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
    unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace kteval
