#include "libusb_board.h"

#include <gtest/gtest.h>

#include "fake_usb_transport.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

using namespace std::chrono_literals;

class Link : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(load(), usbresult::kOk) << link.lastError(); }
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

TEST_F(Link, VendorRequestsCarryTheirArguments) {
    struct Case {
        int16_t request;
        int32_t value, index;
        int16_t direction, length;
        uint8_t requestType;
        uint16_t wValue, wIndex;
    } cases[] = {
        {221, 0x8580, 0x05, 0, 0, 0x40, 0x8580, 0x0005},
        {221, -1, 0x12345, 0, 0, 0x40, 0xFFFF, 0x2345},
        {224, 0, 0, 0, 2, 0x40, 0, 0},
        {221, 0, 0, 1, 3, 0xC0, 0, 0},
        {255, 0x10000, -2, 1, 0, 0xC0, 0x0000, 0xFFFE},
    };
    board.reply = {0x34, 0x12, 0xFF};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        std::array<uint8_t, 3> buffer{0xA1, 0xA2, 0xA3};
        const int16_t result =
            link.VendorIORequest(c.request, c.value, c.index, c.direction, c.length, buffer.data());
        EXPECT_EQ(result, c.length);
        const FakeTransfer& seen = board.firmwareRequests().back();
        EXPECT_EQ(seen.requestType, c.requestType);
        EXPECT_EQ(seen.request, c.request);
        EXPECT_EQ(seen.value, c.wValue);
        EXPECT_EQ(seen.index, c.wIndex);
        EXPECT_EQ(seen.length, static_cast<std::size_t>(c.length));
        EXPECT_EQ(seen.timeout, 1000ms);
        if (c.direction == 0) {
            EXPECT_EQ(seen.outData,
                      std::vector<uint8_t>(buffer.begin(), buffer.begin() + c.length));
        } else if (c.length == 3) {
            EXPECT_EQ(buffer, (std::array<uint8_t, 3>{0x34, 0x12, 0xFF}));
        }
    }
}

TEST_F(Link, RefusesBadArgumentsWithoutTouchingTheBus) {
    uint8_t byte = 0;
    struct Case {
        int16_t request, direction, length;
        uint8_t* buffer;
    } cases[] = {
        {221, 0, -1, &byte}, {221, 1, 4097, &byte}, {221, 0, 1, nullptr},
        {221, 2, 0, &byte},  {256, 0, 0, &byte},    {-1, 0, 0, &byte},
    };
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
    struct Case {
        UsbStatus fault;
        int16_t result;
        std::chrono::milliseconds cost;
    } cases[] = {
        {UsbStatus::Timeout, usbresult::kTimeout, 1000ms},
        {UsbStatus::Stall, usbresult::kStall, 0ms},
        {UsbStatus::Io, usbresult::kTransferFailed, 0ms},
        {UsbStatus::Overflow, usbresult::kTransferFailed, 0ms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toString(c.fault));
        board.transferFaults = {c.fault};
        const auto before = bus.elapsed();
        EXPECT_EQ(send(), c.result);
        EXPECT_EQ(bus.elapsed() - before, c.cost);
        EXPECT_EQ(send(), 0);
    }
    board.replyLimit = 2;
    std::array<uint8_t, 3> buffer{};
    EXPECT_EQ(link.VendorIORequest(221, 0, 0, 1, 3, buffer.data()), usbresult::kShortTransfer);
}

// Reloading after the board is back: EmulatedLink.UnplugThenReload.
TEST_F(Link, UnpluggedBoardFailsFast) {
    board.unplug();
    EXPECT_EQ(send(), usbresult::kDeviceGone);
    const std::size_t transfers = bus.transfers().size();
    const auto clock = bus.elapsed();
    for (int16_t code : {221, 222, 218, 219, 224}) EXPECT_EQ(send(code), usbresult::kDeviceGone);
    EXPECT_EQ(bus.transfers().size(), transfers);
    EXPECT_EQ(bus.elapsed(), clock);
}

TEST_F(Link, ReloadFindsTheRunningFirmwareUnderItsOwnId) {
    FakeUsbTransport otherBus;
    FakeEzUsbBoard& renumbering = otherBus.addLoader();
    renumbering.reenumeration.newId = UsbId{0x04B4, 0x1004};
    LibusbBoard otherLink(otherBus);
    ASSERT_EQ(testing_support::load(otherLink, firmware), usbresult::kOk);
    EXPECT_EQ(renumbering.info().id, (UsbId{0x04B4, 0x1004}));
    EXPECT_EQ(testing_support::load(otherLink, firmware), usbresult::kOk) << otherLink.lastError();
    EXPECT_EQ(renumbering.ramWritesWhileRunning(), 0);
}

// A reload whose checks fail before the bus is touched keeps the firmware
// that runs: the requests after it still reach the board.
TEST_F(Link, ReloadThatFailsItsChecksKeepsTheRunningFirmware) {
    struct Case {
        const char* name;
        std::string file;
        bool secondBoard;
        int16_t result;
    } cases[] = {
        {"missing file", (dir.path() / "gone.hex").string(), false, usbresult::kFirmwareUnreadable},
        {"not Intel HEX", dir.write("bad.hex", "hello\n"), false, usbresult::kHexFormat},
        {"outside RAM", dir.write("far.hex", ":01400000427D\n:00000001FF\n"), false,
         usbresult::kImageOutsideRam},
        {"two boards", firmware, true, usbresult::kSeveralBoards},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.secondBoard) bus.addLoader({7});
        const std::size_t reached = board.firmwareRequests().size();
        EXPECT_EQ(testing_support::load(link, c.file), c.result);
        EXPECT_TRUE(link.isOpen());
        EXPECT_EQ(send(219), 0);
        EXPECT_EQ(send(218), 0);
        EXPECT_EQ(board.firmwareRequests().size(), reached + 2);
    }
    EXPECT_EQ(link.lastDevices().size(), 2u);  // the two boards, for the operator
}

TEST(LinkBeforeLoad, NoUsbAtAllIsReported) {
    FakeUsbTransport bus;
    bus.addLoader();
    bus.unavailable = true;
    LibusbBoard link(bus);
    testing_support::TempDir dir;
    const std::string path = dir.write("f.hex", ":0100100042AD\n:00000001FF\n");
    EXPECT_EQ(testing_support::load(link, path), usbresult::kUsbUnavailable);
}

}  // namespace
}  // namespace kteval
