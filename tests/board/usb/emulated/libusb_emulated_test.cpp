// The real libusb code (LibusbTransport, and LibusbBoard over it) against an
// EZ-USB board emulated below libusb: real usbfs ioctls, the device list,
// one re-enumeration, and the board leaving and coming back.
#include <gtest/gtest.h>

#include "board_link.h"
#include "emulated_test_support.h"

namespace kteval {
namespace {

using namespace emulation::support;

// A wrong ioctl or URB layout, a misread device list or NO_DEVICE taken for
// another error shows here: the image lands in RAM, the firmware is found
// under its own ID, words and a read reach the chip, an unplugged board
// gives -24 and is found again once it is back.
TEST(EmulatedLink, LoadRequestsUnplugAndReloadThroughLibusb) {
    emulation::EmulatedEzUsbBoard board;  // before libusb: it sets up the bus
    LibusbTransport transport;
    LibusbBoard usb(transport, kFirmwareIds);
    const testing_support::TempDir dir;
    const std::vector<HexSegment> image = testing_support::sampleImage();
    const std::string firmware = dir.write("KT4421SPI.hex", writeIntelHex(image, 32));

    ASSERT_EQ(load(usb, firmware), usbresult::kOk) << usb.lastError();
    for (const HexSegment& segment : image) {
        EXPECT_EQ(board.ram(segment.address, segment.bytes.size()), segment.bytes);
    }
    EXPECT_EQ(board.cpuReleases(), 1);
    EXPECT_EQ(board.presence().id, kFirmwareId);

    BoardLink link(usb);
    link.sendStart();
    link.WriteWord(24, 0xC00000 | (8 + 3) << 16 | 0x1234);  // X1A of channel 3
    link.WriteWord(24, 0x0D0003);                           // GPIO: output, high
    link.WriteWord(24, 0x058580);                           // read back the GPIO pin
    EXPECT_EQ(link.ReadWord(), 1);
    EXPECT_EQ(link.LastResult, 3);
    EXPECT_EQ(board.startRequests(), 1);
    EXPECT_EQ(board.chip().channels[3].X1A, 0x1234 >> 2);  // a 14-bit part keeps bits 15-2

    board.unplug();
    link.SendRequest(222);
    EXPECT_EQ(link.LastResult, usbresult::kDeviceGone);
    board.plugIn();
    ASSERT_TRUE(waitForListing(transport, kEzUsbLoaderId, true));
    ASSERT_EQ(load(usb, firmware), usbresult::kOk) << usb.lastError();
    link.WriteWord(24, 0xC83330);
    EXPECT_EQ(board.chip().channels[0].X1A, 0x3330 >> 2);
}

}  // namespace
}  // namespace kteval
