#include "libusb_board.h"

#include <gtest/gtest.h>
#include <libusb.h>

#include "fake_usb_transport.h"
#include "libusb_transport.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

using namespace std::chrono_literals;

// A code mapped to the wrong status loses its advice: access denied without
// the udev rule, busy without "close other programs", unplug not recognised.
TEST(LibusbStatus, EachErrorKeepsItsMeaning) {
    const std::pair<int, UsbStatus> rows[] = {
        {LIBUSB_ERROR_ACCESS, UsbStatus::AccessDenied},
        {LIBUSB_ERROR_BUSY, UsbStatus::Busy},
        {LIBUSB_ERROR_PIPE, UsbStatus::Stall},
        {LIBUSB_ERROR_NO_DEVICE, UsbStatus::NoDevice},
        {LIBUSB_ERROR_TIMEOUT, UsbStatus::Timeout},
        {LIBUSB_ERROR_OTHER, UsbStatus::Io},
    };
    for (const auto& [code, status] : rows) EXPECT_EQ(statusOf(code), status) << code;
}

class Link : public ::testing::Test {
  protected:
    void SetUp() override {
        board.reenumeration.newId = UsbId{0x04B4, 0x1004};
        ASSERT_EQ(load(), usbresult::kOk) << link.lastError();
    }
    int16_t load() { return testing_support::load(link, firmware); }
    int16_t send(int16_t request = 221) {
        uint8_t zero = 0;
        return link.VendorIORequest(request, 0, 0, 0, 0, &zero);
    }

    testing_support::TempDir dir;
    std::string firmware =
        dir.write("KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 16));
    FakeUsbTransport bus;
    FakeEzUsbBoard& board = bus.addLoader();
    LibusbBoard link{bus};
};

// Direction, the 16-bit halves of value and index, the length and the 1 s
// timeout reach the bus as given; an IN transfer fills the caller's buffer.
TEST_F(Link, VendorRequestsCarryTheirArguments) {
    struct Case {
        int16_t request;
        int32_t value, index;
        int16_t direction, length;
        uint8_t requestType;
        uint16_t wValue, wIndex;
    } cases[] = {
        {224, 0x10000, 0x12345, 0, 2, 0x40, 0, 0x2345},
        {221, -1, -2, 1, 3, 0xC0, 0xFFFF, 0xFFFE},
    };
    board.reply = {0x34, 0x12, 0xFF};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        std::array<uint8_t, 3> buffer{0xA1, 0xA2, 0xA3};
        EXPECT_EQ(
            link.VendorIORequest(c.request, c.value, c.index, c.direction, c.length, buffer.data()),
            c.length);
        const FakeTransfer& seen = board.firmwareRequests().back();
        EXPECT_EQ(std::tuple(seen.requestType, int16_t{seen.request}, seen.value, seen.index),
                  std::tuple(c.requestType, c.request, c.wValue, c.wIndex));
        EXPECT_EQ(seen.timeout, 1000ms);
        const std::vector<uint8_t> moved(buffer.begin(), buffer.begin() + c.length);
        EXPECT_EQ(c.direction == 0 ? seen.outData : board.reply, moved);
    }
}

TEST_F(Link, RefusesBadArgumentsWithoutTouchingTheBus) {
    uint8_t byte = 0;
    struct Case {
        int16_t request, direction, length;
        uint8_t* buffer;
    } cases[] = {{221, 0, -1, &byte}, {221, 1, 4097, &byte}, {221, 0, 1, nullptr},
                 {221, 2, 0, &byte},  {256, 0, 0, &byte},    {-1, 0, 0, &byte}};
    const std::size_t before = bus.transfers().size();
    for (const Case& c : cases) {
        EXPECT_EQ(link.VendorIORequest(c.request, 0, 0, c.direction, c.length, c.buffer),
                  usbresult::kBadArgument);
    }
    EXPECT_EQ(bus.transfers().size(), before);
    EXPECT_EQ(link.VendorIORequest(221, 0, 0, 0, 0, nullptr), 0);
    std::vector<uint8_t> big(4096);
    EXPECT_EQ(link.VendorIORequest(221, 0, 0, 1, 4096, big.data()), 4096);
}

TEST_F(Link, TransferFaultsReturnTheirCodeAndTheLinkGoesOn) {
    const std::pair<UsbStatus, int16_t> cases[] = {
        {UsbStatus::Timeout, usbresult::kTimeout},
        {UsbStatus::Stall, usbresult::kStall},
        {UsbStatus::Io, usbresult::kTransferFailed},
        {UsbStatus::Overflow, usbresult::kTransferFailed}};
    for (const auto& [fault, result] : cases) {
        SCOPED_TRACE(toString(fault));
        board.transferFaults = {fault};
        EXPECT_EQ(send(), result);
        EXPECT_EQ(send(), 0);
    }
    board.replyLimit = 2;
    std::array<uint8_t, 3> buffer{};
    EXPECT_EQ(link.VendorIORequest(221, 0, 0, 1, 3, buffer.data()), usbresult::kShortTransfer);
}

// A reload finds the running firmware under the ID it showed and loads it
// with the CPU held; after an unplug every request fails at once, also after
// a reload that finds no board or no USB; once the board is back a reload
// carries requests again.
TEST_F(Link, ReloadsRunningFirmwareAndFailsFastUntilAReloadFindsTheBoard) {
    ASSERT_EQ(load(), usbresult::kOk) << link.lastError();
    EXPECT_EQ(board.ramWritesWhileRunning(), 0);
    board.unplug();
    EXPECT_EQ(send(), usbresult::kDeviceGone);
    const std::size_t transfers = bus.transfers().size();
    const auto clock = bus.elapsed();
    EXPECT_EQ(send(224), usbresult::kDeviceGone);
    EXPECT_EQ(bus.transfers().size(), transfers);
    EXPECT_EQ(bus.elapsed(), clock);
    EXPECT_EQ(load(), usbresult::kNoBoard);
    EXPECT_EQ(send(), usbresult::kDeviceGone);
    bus.unavailable = true;
    EXPECT_EQ(load(), usbresult::kUsbUnavailable);
    bus.unavailable = false;
    board.plugIn();
    ASSERT_EQ(load(), usbresult::kOk) << link.lastError();
    EXPECT_EQ(send(), 0);
}

// A reload whose checks fail before the bus is touched keeps the firmware
// that runs, and a bad file causes no USB traffic at all.
TEST_F(Link, ReloadThatFailsItsChecksKeepsTheRunningFirmware) {
    struct Case {
        const char* name;
        std::string file;
        bool secondBoard;
        int16_t result;
    } cases[] = {
        {"missing file", (dir.path() / "gone.hex").string(), false, usbresult::kFirmwareUnreadable},
        {"a folder", dir.path().string(), false, usbresult::kFirmwareUnreadable},
        {"no data", dir.write("eof.hex", ":00000001FF\n"), false, usbresult::kHexFormat},
        {"outside RAM", dir.write("far.hex", ":01400000427D\n:00000001FF\n"), false,
         usbresult::kImageOutsideRam},
        {"two boards", firmware, true, usbresult::kSeveralBoards},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.secondBoard) bus.addLoader({7});
        const std::size_t reached = board.firmwareRequests().size();
        const std::size_t traffic = bus.traffic();
        EXPECT_EQ(testing_support::load(link, c.file), c.result);
        if (!c.secondBoard) {
            EXPECT_EQ(bus.traffic(), traffic);
        }
        EXPECT_TRUE(link.isOpen());
        EXPECT_EQ(send(219), 0);
        EXPECT_EQ(board.firmwareRequests().size(), reached + 1);
    }
    EXPECT_EQ(link.lastDevices().size(), 2u);  // the two boards, for the operator
    EXPECT_EQ(link.LoadFirmWare(nullptr), usbresult::kFirmwareUnreadable);
}

}  // namespace
}  // namespace kteval
