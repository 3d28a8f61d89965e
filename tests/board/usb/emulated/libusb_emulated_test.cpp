// The real libusb code (LibusbTransport, and LibusbBoard over it) against an
// EZ-USB board emulated below libusb: what reaches the chip's RAM and the
// converter, and what the link reports when the board leaves the bus.
#include <gtest/gtest.h>

#include <filesystem>

#include "board_link.h"
#include "emulated_ezusb_board.h"
#include "emulated_test_support.h"
#include "ezusb_loader.h"
#include "libusb_board.h"
#include "libusb_transport.h"
#include "usb_id_cache.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

using namespace std::chrono_literals;
using emulation::EmulatedEzUsbBoard;
using emulation::FirmwareRequest;
using namespace emulation::support;

// Each srec_cat fixture loaded through libusb: the RAM holds exactly what
// srec_cat reads from the file, every other byte is untouched, and the
// firmware came back under its own ID.
TEST(EmulatedLoad, RamHoldsTheHexFileByteForByte) {
    const std::filesystem::path fixtures = KTEVAL_USB_FIXTURES;
    for (const char* name : {"two_blocks_16", "crlf_255_linear", "lower_7_segment"}) {
        SCOPED_TRACE(name);
        Rig rig;
        const std::vector<uint8_t> mainBefore = rig.board.ram(0, EmulatedEzUsbBoard::kMainRamSize);
        const std::vector<uint8_t> scratchBefore = rig.board.ram(
            EmulatedEzUsbBoard::kScratchRamStart, EmulatedEzUsbBoard::kScratchRamSize);
        const std::string file = (fixtures / (std::string(name) + ".hex")).string();
        ASSERT_EQ(load(rig.link, file), usbresult::kOk) << rig.link.lastError();

        const testing_support::ByteMap expected = testing_support::readVmem(
            testing_support::readText(fixtures / (std::string(name) + ".vmem")));
        const std::vector<uint8_t> mainAfter = rig.board.ram(0, EmulatedEzUsbBoard::kMainRamSize);
        const std::vector<uint8_t> scratchAfter = rig.board.ram(
            EmulatedEzUsbBoard::kScratchRamStart, EmulatedEzUsbBoard::kScratchRamSize);
        std::size_t differences = 0;
        const auto check = [&](uint32_t address, uint8_t before, uint8_t after) {
            const auto it = expected.find(address);
            const uint8_t want = it == expected.end() ? before : it->second;
            if (after != want && ++differences < 5) {
                ADD_FAILURE() << "RAM " << std::hex << address << " holds " << int{after}
                              << ", expected " << int{want};
            }
        };
        for (uint32_t a = 0; a < mainAfter.size(); ++a) check(a, mainBefore[a], mainAfter[a]);
        for (uint32_t a = 0; a < scratchAfter.size(); ++a) {
            check(EmulatedEzUsbBoard::kScratchRamStart + a, scratchBefore[a], scratchAfter[a]);
        }
        EXPECT_EQ(differences, 0u);
        EXPECT_EQ(rig.board.ramWritesWhileRunning(), 0);
        EXPECT_EQ(rig.board.cpuReleases(), 1);
        EXPECT_FALSE(rig.board.cpuHeld());
        EXPECT_EQ(rig.board.claimsOfLeavingDevice(), 0);
        EXPECT_EQ(rig.board.presence().id, kFirmwareId);
        EXPECT_TRUE(rig.link.isOpen());
    }
}

// The board link's requests through libusb reach the converter chip: the
// start request, register words (value and index carry the word's halves),
// line requests, and a read that comes back through an IN transfer.
TEST(EmulatedLink, RequestsReachTheChip) {
    Rig rig;
    BoardLink link(rig.link);
    link.FirmwarePath = rig.firmware;
    ASSERT_TRUE(link.TextToBuffer(rig.firmware));
    ASSERT_EQ(rig.link.LoadFirmWare(link.TextBuffer.data()), usbresult::kOk)
        << rig.link.lastError();
    link.sendStart();
    EXPECT_EQ(link.LastResult, 0);
    EXPECT_EQ(rig.board.startRequests(), 1);

    link.WriteWord(24, 0xC00000 | (8 + 3) << 16 | 0x1234);  // X1A of channel 3
    link.WriteWord(24, 0x400000 | (8 + 3) << 16 | 0x8001);  // its M
    link.WriteWord(24, 0x0D0003);                           // GPIO: output, high
    link.WriteWord(24, 0x058580);                           // read back the GPIO pin
    EXPECT_EQ(link.LastResult, 0);
    EXPECT_EQ(link.ReadWord(), 1);
    EXPECT_EQ(link.LastResult, 3);
    link.SendRequest(227);  // LDAC low: DAC registers follow the inputs
    link.SendRequest(223);  // CLR low

    const ChipState chip = rig.board.chip();
    EXPECT_EQ(chip.channels[3].X1A, 0x1234 >> 2);  // a 14-bit part keeps bits 15-2
    EXPECT_EQ(chip.channels[3].M, 0x8001 >> 2);
    EXPECT_EQ(chip.gpioConfig, 3);
    EXPECT_FALSE(chip.ldacHigh);
    EXPECT_FALSE(chip.clrHigh);
    const std::vector<FirmwareRequest> seen = rig.board.firmwareRequests();
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_EQ(seen[0], (FirmwareRequest{224, 0, 0, false, 0}));
    EXPECT_EQ(seen[1], (FirmwareRequest{221, 0x1234, 0xCB, false, 0}));
    EXPECT_EQ(seen[5], (FirmwareRequest{221, 0, 0, true, 3}));
}

// Unplugged mid-session: the first request finds the board gone, later ones
// fail at once with the same code, also after a load that found no board;
// once it is back the next load finds it and the chip answers again.
TEST(EmulatedLink, UnplugThenReload) {
    Rig rig;
    ASSERT_EQ(load(rig.link, rig.firmware), usbresult::kOk) << rig.link.lastError();
    uint8_t byte = 0;
    constexpr int32_t kX1AChannel0 = 0xC8;  // word bits 23-16: mode 3, address 8
    ASSERT_EQ(rig.link.VendorIORequest(221, 0x1110, kX1AChannel0, 0, 0, &byte), 0);
    EXPECT_EQ(rig.board.chip().channels[0].X1A, 0x1110 >> 2);

    rig.board.unplug();
    EXPECT_EQ(rig.link.VendorIORequest(221, 0x2220, kX1AChannel0, 0, 0, &byte),
              usbresult::kDeviceGone);
    EXPECT_EQ(rig.link.VendorIORequest(218, 0, 0, 0, 0, &byte), usbresult::kDeviceGone);
    EXPECT_FALSE(rig.link.isOpen());
    ASSERT_TRUE(waitForListing(rig.transport, kFirmwareId, false));
    EXPECT_EQ(load(rig.link, rig.firmware), usbresult::kNoBoard);
    EXPECT_EQ(rig.link.VendorIORequest(218, 0, 0, 0, 0, &byte), usbresult::kDeviceGone);

    rig.board.plugIn();
    ASSERT_TRUE(waitForListing(rig.transport, kEzUsbLoaderId, true));
    ASSERT_EQ(load(rig.link, rig.firmware), usbresult::kOk) << rig.link.lastError();
    ASSERT_EQ(rig.link.VendorIORequest(221, 0x3330, kX1AChannel0, 0, 0, &byte), 0);
    EXPECT_EQ(rig.board.chip().channels[0].X1A, 0x3330 >> 2);
    EXPECT_EQ(rig.board.cpuReleases(), 2);
}

// A firmware that stops answering: libusb gives up after the link's 1 s and
// cancels the transfer; the link reports a timeout, stays open, and carries
// the next request once the firmware answers again.
TEST(EmulatedLink, UnansweredRequestTimesOut) {
    Rig rig;
    ASSERT_EQ(load(rig.link, rig.firmware), usbresult::kOk) << rig.link.lastError();
    rig.board.setHung(true);
    uint8_t byte = 0;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(rig.link.VendorIORequest(222, 0, 0, 0, 0, &byte), usbresult::kTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - started, EzUsbLoader::kTransferTimeout);
    EXPECT_EQ(rig.board.cancelledUrbs(), 1);
    EXPECT_TRUE(rig.link.isOpen());

    rig.board.setHung(false);
    EXPECT_EQ(rig.link.VendorIORequest(222, 0, 0, 0, 0, &byte), 0);
    ASSERT_EQ(rig.board.firmwareRequests().size(), 1u);  // only the answered pulse
    EXPECT_EQ(rig.board.firmwareRequests()[0].request, 222);
}

// A restarted program finds the board that still runs its firmware under its
// own ID through the ID cache the last run left in $XDG_CACHE_HOME/kteval,
// and loads it again through the chip's loader request.
TEST(EmulatedRestart, FindsTheRunningBoardThroughTheIdCache) {
    const testing_support::TempDir cache;
    ASSERT_EQ(setenv("XDG_CACHE_HOME", cache.path().c_str(), 1), 0);
    EmulatedEzUsbBoard board;
    const testing_support::TempDir dir;
    const std::string firmware =
        dir.write("KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 32));
    {
        LibusbTransport transport;
        LibusbBoard first(transport, {}, UsbIdCache(UsbIdCache::pathFromEnvironment()));
        ASSERT_EQ(load(first, firmware), usbresult::kOk) << first.lastError();
    }  // the program ends; the board runs on under the firmware's ID
    ASSERT_TRUE(std::filesystem::exists(cache.path() / "kteval"));
    ASSERT_TRUE(board.presence().id == kFirmwareId);

    LibusbTransport transport;
    ASSERT_TRUE(waitForListing(transport, kFirmwareId, true));
    LibusbBoard forgetful(transport);  // no cache: only the loader's ID is known
    EXPECT_EQ(load(forgetful, firmware), usbresult::kNoBoard);
    LibusbBoard restarted(transport, {}, UsbIdCache(UsbIdCache::pathFromEnvironment()));
    ASSERT_EQ(load(restarted, firmware), usbresult::kOk) << restarted.lastError();
    EXPECT_EQ(board.cpuReleases(), 2);
    EXPECT_EQ(board.ramWritesWhileRunning(), 0);  // the CPU was held for the load again
    EXPECT_EQ(board.claimsOfLeavingDevice(), 0);
    uint8_t zero = 0;
    EXPECT_EQ(restarted.VendorIORequest(221, 0x0F00, 0xC9, 0, 0, &zero), 0);  // X1A, channel 1
    EXPECT_EQ(board.chip().channels[1].X1A, 0x0F00 >> 2);
    unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace kteval
