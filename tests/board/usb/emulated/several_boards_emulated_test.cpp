// Two EZ-USB boards on one emulated bus: port 2 (serial KT-A once its
// firmware runs) and port 3 (serial KT-B). The link and kteval --check as a
// child process choose one by serial or port, refuse to guess, and leave a
// board another program holds alone.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "emulated_test_support.h"

namespace kteval {
namespace {

using namespace emulation::support;
using emulation::EmulatedBoardPlace;
using emulation::EmulatedEzUsbBoard;

// Programs started by the tests look for the firmware's ID and keep their
// files in the test's folder.
struct TwoBoards {
    TwoBoards() {
        setenv("KTEVAL_USB_IDS", kFirmwareIds, 1);
        setenv("XDG_CACHE_HOME", dir.path().c_str(), 1);
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        unsetenv("KTEVAL_BOARD");
    }
    testing_support::TempDir dir;
    // Before libusb: the boards set up the bus.
    EmulatedEzUsbBoard a{EmulatedBoardPlace{2, 2, "KT-A"}};
    EmulatedEzUsbBoard b{a, EmulatedBoardPlace{3, 40, "KT-B"}};
    std::string firmware =
        dir.write("KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 32));
};

struct ProgramRun {
    int status = -1;
    std::string output;
};

// The program with arguments (a shell command line), its standard output and
// error together.
ProgramRun runKteval(const std::string& arguments) {
    std::FILE* pipe =
        popen(("'" + std::string(KTEVAL_PROGRAM) + "' " + arguments + " 2>&1").c_str(), "r");
    ProgramRun run;
    if (pipe == nullptr) return run;
    run.output.resize(1 << 16);
    run.output.resize(std::fread(run.output.data(), 1, run.output.size(), pipe));
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// No choice with two boards loads neither; a port or a serial loads that one
// only, and the link names it by the serial its firmware reports.
TEST(SeveralBoards, TheLinkLoadsOnlyTheBoardChosen) {
    struct Case {
        const char* choice;
        bool bRunning;  // board B already runs its firmware (so shows its serial)
        int16_t result;
        int loadsOfA, loadsOfB;
        const char* name;  // the link's name for the board afterwards
    } cases[] = {
        {"", false, usbresult::kSeveralBoards, 0, 0, ""},
        {"1-2", false, usbresult::kOk, 1, 0, "KT-A"},
        {"1-3", false, usbresult::kOk, 0, 1, "KT-B"},
        {"KT-B", true, usbresult::kOk, 0, 1, "KT-B"},
        {"KT-C", true, usbresult::kNoBoard, 0, 0, "KT-C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        TwoBoards boards;
        if (c.bRunning) boards.b.plugInRunningFirmware();
        LibusbTransport transport;
        if (c.bRunning) {
            ASSERT_TRUE(waitForListing(transport, kFirmwareId, true));
        }
        LibusbBoard usb(transport, kFirmwareIds);
        usb.chooseBoard(c.choice);
        EXPECT_EQ(load(usb, boards.firmware), c.result) << usb.lastError();
        EXPECT_EQ(boards.a.cpuReleases(), c.loadsOfA);
        EXPECT_EQ(boards.b.cpuReleases(), c.loadsOfB);
        EXPECT_EQ(usb.boardName(), c.name);
        if (c.result == usbresult::kSeveralBoards) {
            EXPECT_NE(usb.lastError().find("--board 1-2"), std::string::npos) << usb.lastError();
            EXPECT_NE(usb.lastError().find("--board 1-3"), std::string::npos) << usb.lastError();
        }
    }
}

// A board whose interface another program has claimed: the load says so and
// writes nothing into it; --check shows it held and the other board free.
TEST(SeveralBoards, ABoardHeldByAnotherProgramIsLeftAlone) {
    TwoBoards boards;
    LibusbTransport holderBus;
    std::optional<UsbDeviceInfo> a;
    for (const UsbDeviceInfo& device : holderBus.listDevices().devices) {
        if (device.portName() == "1-2") a = device;
    }
    ASSERT_TRUE(a);
    UsbOpenResult holder = holderBus.open(*a);
    ASSERT_EQ(holder.status, UsbStatus::Ok);
    ASSERT_EQ(holder.device->claimInterface0(), UsbStatus::Ok);

    LibusbTransport transport;
    LibusbBoard usb(transport, kFirmwareIds);
    usb.chooseBoard("1-2");
    EXPECT_EQ(load(usb, boards.firmware), usbresult::kBusy);
    EXPECT_NE(usb.lastError().find("held by another program"), std::string::npos)
        << usb.lastError();
    EXPECT_EQ(boards.a.ram(0, 16), std::vector<uint8_t>(16, 0));

    const ProgramRun check = runKteval("--check --firmware '" + boards.firmware + "' --board 1-2");
    EXPECT_EQ(check.status, 1) << check.output;
    EXPECT_NE(check.output.find("waiting for its firmware; held by another program; --board 1-2"),
              std::string::npos)
        << check.output;
    EXPECT_NE(check.output.find("waiting for its firmware; free; --board 1-3"), std::string::npos)
        << check.output;
}

// --check lists both boards with the --board that chooses each, and is ready
// only once one is chosen.
TEST(SeveralBoards, CheckListsEveryBoardAndIsReadyForTheChosenOne) {
    TwoBoards boards;
    boards.b.plugInRunningFirmware();
    {
        LibusbTransport transport;
        ASSERT_TRUE(waitForListing(transport, kFirmwareId, true));
    }
    const std::string check = "--check --firmware '" + boards.firmware + "'";
    const ProgramRun unchosen = runKteval(check);
    EXPECT_EQ(unchosen.status, 1) << unchosen.output;
    EXPECT_NE(unchosen.output.find("not ready: several boards"), std::string::npos);
    EXPECT_NE(unchosen.output.find("serial KT-B; free; --board KT-B"), std::string::npos)
        << unchosen.output;
    EXPECT_NE(unchosen.output.find("waiting for its firmware; free; --board 1-2"),
              std::string::npos);
    for (const char* choice : {"KT-B", "1-3", "1-2"}) {
        const ProgramRun chosen = runKteval(check + " --board " + choice);
        EXPECT_EQ(chosen.status, 0) << choice << "\n" << chosen.output;
    }
    EXPECT_EQ(runKteval(check + " --board KT-C").status, 1);
    EXPECT_EQ(boards.a.cpuReleases() + boards.b.cpuReleases(), 0);
}

}  // namespace
}  // namespace kteval
