// Two EZ-USB boards on one emulated bus: port 2 (serial KT-A once its
// firmware runs) and port 3 (serial KT-B). The link and kteval --check as a
// child process choose one by serial or port, refuse to guess, and leave a
// board another program holds alone; two programs load the two at once; one
// board leaves while the other goes on.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board_link.h"
#include "emulated_test_support.h"

namespace kteval {
namespace {

using namespace emulation::support;
using emulation::EmulatedBoardPlace;
using emulation::EmulatedEzUsbBoard;

// Programs started by the tests look for the firmware's ID and keep their
// files in the test's folder. With holdReturns, boards whose firmware starts
// stay off the bus until the test lets them back.
struct TwoBoards {
    explicit TwoBoards(bool holdReturns = false)
        : a{EmulatedBoardPlace{2, 2, "KT-A", holdReturns}},
          b{a, EmulatedBoardPlace{3, 40, "KT-B", holdReturns}} {
        setenv("KTEVAL_USB_IDS", kFirmwareIds, 1);
        setenv("XDG_CACHE_HOME", dir.path().c_str(), 1);
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        unsetenv("KTEVAL_BOARD");
    }
    testing_support::TempDir dir;
    // Before libusb: the boards set up the bus.
    EmulatedEzUsbBoard a;
    EmulatedEzUsbBoard b;
    std::string firmware =
        dir.write("KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 32));
};

struct ProgramRun {
    int status = -1;
    std::string output;
};

// The program started with arguments (a shell command line); its standard
// output and error come together through the pipe.
std::FILE* startKteval(const std::string& arguments) {
    return popen(("'" + std::string(KTEVAL_PROGRAM) + "' " + arguments + " 2>&1").c_str(), "r");
}

ProgramRun finish(std::FILE* pipe) {
    ProgramRun run;
    if (pipe == nullptr) return run;
    run.output.resize(1 << 16);
    run.output.resize(std::fread(run.output.data(), 1, run.output.size(), pipe));
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ProgramRun runKteval(const std::string& arguments) {
    return finish(startKteval(arguments));
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

// Two programs load the two unprogrammed boards at the same moment, each
// choosing its own by port: both boards are off the bus together and come
// back together under one ID, yet each program ends on its own board, which
// holds the code that program wrote and no other.
TEST(SeveralBoards, TwoProgramsLoadTwoBoardsAtOnce) {
    TwoBoards boards(true);
    const struct {
        const char* port;
        int code;
        EmulatedEzUsbBoard& board;
    } runs[] = {{"1-2", 1111, boards.a}, {"1-3", 2222, boards.b}};
    std::vector<std::FILE*> programs;
    for (const auto& run : runs) {
        const std::string setup = boards.dir.write(std::string(run.port) + ".setup",
                                                   "DAC3:X1A " + std::to_string(run.code) + "\n");
        programs.push_back(startKteval("--headless --part KT4421 --firmware '" + boards.firmware +
                                       "' --board " + run.port + " --setup '" + setup + "'"));
    }
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while ((boards.a.cpuReleases() == 0 || boards.b.cpuReleases() == 0) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(boards.a.cpuReleases() + boards.b.cpuReleases(), 2);
    boards.a.letReturn();
    boards.b.letReturn();
    for (std::size_t i = 0; i < programs.size(); ++i) {
        SCOPED_TRACE(runs[i].port);
        const ProgramRun program = finish(programs[i]);
        EXPECT_EQ(program.status, 0) << program.output;
        EXPECT_EQ(runs[i].board.cpuReleases(), 1);
        EXPECT_EQ(runs[i].board.presence().id, kFirmwareId);
        EXPECT_EQ(runs[i].board.chip().channels[3].X1A, runs[i].code);
    }
}

// One link per board, each chosen by serial: the board unplugged fails its
// requests at once and its reload says it is not connected, naming the
// other; the other writes on throughout. Plugged in again (waiting for its
// firmware, so without its serial) it is found again on its port.
TEST(SeveralBoards, OneBoardUnpluggedWhileTheOtherGoesOn) {
    TwoBoards boards;
    boards.a.plugInRunningFirmware();
    boards.b.plugInRunningFirmware();
    struct Link {
        LibusbTransport transport;  // after the boards: libusb lists them at once
        LibusbBoard usb{transport, kFirmwareIds};
        BoardLink link{usb};
    };
    std::array<Link, 2> links;
    const std::array<EmulatedEzUsbBoard*, 2> board{&boards.a, &boards.b};
    const std::array<const char*, 2> serials{"KT-A", "KT-B"};
    for (std::size_t i = 0; i < links.size(); ++i) {
        links[i].usb.chooseBoard(serials[i]);
        ASSERT_EQ(load(links[i].usb, boards.firmware), usbresult::kOk) << links[i].usb.lastError();
    }
    int code = 0x100;
    const auto writes = [&](std::size_t i) {
        code += 4;
        links[i].link.WriteWord(24, 0xC00000 | (8 + 3) << 16 | code);  // X1A of channel 3
        return links[i].link.LastResult >= 0 && board[i]->chip().channels[3].X1A == code >> 2;
    };
    EXPECT_TRUE(writes(0) && writes(1));

    boards.a.unplug();
    links[0].link.SendRequest(222);
    EXPECT_EQ(links[0].link.LastResult, usbresult::kDeviceGone);
    EXPECT_TRUE(writes(1));
    ASSERT_TRUE(waitForPort(links[0].transport, "1-2", false));
    EXPECT_EQ(load(links[0].usb, boards.firmware), usbresult::kNoBoard);
    EXPECT_NE(links[0].usb.lastError().find("board KT-A is not connected"), std::string::npos)
        << links[0].usb.lastError();
    EXPECT_NE(links[0].usb.lastError().find("--board KT-B"), std::string::npos);
    EXPECT_TRUE(writes(1));

    boards.a.plugIn();
    ASSERT_TRUE(waitForPort(links[0].transport, "1-2", true));
    ASSERT_EQ(load(links[0].usb, boards.firmware), usbresult::kOk) << links[0].usb.lastError();
    EXPECT_EQ(boards.a.cpuReleases(), 2);
    EXPECT_EQ(boards.b.cpuReleases(), 1);
    EXPECT_TRUE(writes(0) && writes(1));
}

}  // namespace
}  // namespace kteval
