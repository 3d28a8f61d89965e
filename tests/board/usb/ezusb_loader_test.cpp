#include <gtest/gtest.h>

#include "ezusb_loader.h"
#include "fake_usb_transport.h"
#include "libusb_board.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

using namespace std::chrono_literals;
using testing_support::TempDir;

// A bus with one board in loader mode and the link over it.
struct Rig {
    FakeUsbTransport bus;
    FakeEzUsbBoard& board = bus.addLoader();
    LibusbBoard link{bus};
};

class Loader : public ::testing::Test {
  protected:
    int16_t load(LibusbBoard& link, const std::string& file) {
        return testing_support::load(link, file);
    }
    int16_t load(LibusbBoard& link) { return load(link, firmware); }
    bool firmwareAnswers(LibusbBoard& link, FakeEzUsbBoard& board) {
        uint8_t zero = 0;
        const std::size_t before = board.firmwareRequests().size();
        return link.VendorIORequest(224, 0, 0, 0, 0, &zero) == 0 &&
               board.firmwareRequests().size() == before + 1;
    }

    TempDir dir;
    std::string firmware =
        dir.write("KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 32));
    FakeUsbTransport bus;
};

// The CPU is held for the whole image, in chunks of at most 1 KiB read back
// each, with 1 s timeouts; then the firmware answers.
TEST_F(Loader, WritesTheImageWhileTheCpuIsHeldThenOpensTheFirmware) {
    FakeEzUsbBoard& board = bus.addLoader();
    LibusbBoard link(bus);
    ASSERT_EQ(load(link), usbresult::kOk) << link.lastError();

    EXPECT_EQ(board.ramWritesWhileRunning(), 0);
    ASSERT_GE(bus.transfers().size(), 2u);
    const FakeTransfer& hold = bus.transfers().front();
    EXPECT_EQ(hold.value, 0xE600);
    EXPECT_EQ(hold.outData, std::vector<uint8_t>{1});
    const FakeTransfer& release = bus.transfers().back();
    EXPECT_EQ(release.value, 0xE600);
    EXPECT_EQ(release.outData, std::vector<uint8_t>{0});
    std::size_t reads = 0;
    for (const FakeTransfer& t : bus.transfers()) {
        EXPECT_EQ(t.request, 0xA0);
        EXPECT_EQ(t.timeout, 1000ms);
        EXPECT_LE(t.length, 1024u);
        if (t.requestType == 0xC0) ++reads;
    }
    EXPECT_EQ(reads, 5u);  // 3000 bytes in three chunks, 0x80 and 0x200 in one each
    EXPECT_TRUE(firmwareAnswers(link, board));
}

// Waiting for the firmware: the loader's device may linger after its CPU is
// started, and only a device that replaces it on its port is the firmware
// (whatever its ID), found within one poll of its arrival; the wait ends 5 s
// after the release, with -13 if the loader's device never left, else -10.
TEST_F(Loader, WaitsForReenumerationUpToFiveSeconds) {
    using Kind = FakeReenumeration::Kind;
    struct Case {
        const char* name;
        FakeReenumeration script;
        int16_t result;
    } cases[] = {
        {"lingers 2 s, own ID",
         {Kind::NewAddress, 2500ms, UsbId{0x04B4, 0x1004}, 2000ms},
         usbresult::kOk},
        {"just in time", {Kind::NewAddress, 4950ms, {}}, usbresult::kOk},
        {"never re-enumerates", {Kind::Stay, 0ms, {}}, usbresult::kNoReenumeration},
        {"too late", {Kind::NewAddress, 5200ms, {}}, usbresult::kReenumerationTimeout},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.board.reenumeration = c.script;
        const uint8_t loaderAddress = r.board.info().address;
        ASSERT_EQ(load(r.link), c.result) << r.link.lastError();
        EXPECT_LE(r.bus.elapsed(), 5050ms);
        if (c.result == usbresult::kOk) {
            EXPECT_GE(r.bus.elapsed(), c.script.delay);
            EXPECT_LE(r.bus.elapsed(), c.script.delay + EzUsbLoader::kPollInterval);
            EXPECT_NE(r.board.info().address, loaderAddress);
            r.bus.sleep(3s);  // long after the loader's device has gone
            EXPECT_TRUE(firmwareAnswers(r.link, r.board));
        } else {
            EXPECT_GE(r.bus.elapsed(), 5000ms);
            EXPECT_FALSE(r.link.isOpen());
        }
    }
}

// Where libusb cannot tell the port path, only a device under an ID a board
// is known by is taken for the firmware.
TEST_F(Loader, WithoutAPortPathOnlyAKnownIdIsTheFirmware) {
    for (const char* ids : {"04b4:1004", ""}) {
        SCOPED_TRACE(ids);
        FakeUsbTransport noPorts;
        FakeEzUsbBoard& board = noPorts.addLoader({});
        board.reenumeration = {FakeReenumeration::Kind::NewAddress, 700ms, UsbId{0x04B4, 0x1004}};
        LibusbBoard link(noPorts, ids);
        EXPECT_EQ(load(link), *ids ? usbresult::kOk : usbresult::kReenumerationTimeout);
    }
}

// The release write may end in an error or a disconnect as the CPU starts;
// any other failed transfer stops the load.
TEST_F(Loader, FaultsDuringTheLoad) {
    struct Case {
        std::optional<UsbStatus> releaseFault, firstTransferFault;
        int16_t result;
    } cases[] = {{UsbStatus::Io, {}, usbresult::kOk},
                 {UsbStatus::NoDevice, {}, usbresult::kOk},
                 {UsbStatus::Stall, {}, usbresult::kLoadIoError},
                 {{}, UsbStatus::Timeout, usbresult::kLoadIoError}};
    for (const Case& c : cases) {
        SCOPED_TRACE(toString(c.releaseFault.value_or(*c.firstTransferFault)));
        Rig r;
        r.board.releaseFault = c.releaseFault;
        if (c.firstTransferFault) r.board.transferFaults = {*c.firstTransferFault};
        EXPECT_EQ(load(r.link), c.result) << r.link.lastError();
        EXPECT_EQ(r.board.firmwareRunning(), c.result == usbresult::kOk);
    }
}

TEST_F(Loader, ReadBackMismatchStopsBeforeTheCpuRuns) {
    FakeEzUsbBoard& board = bus.addLoader();
    board.corruptAddress = 0x3F85;
    LibusbBoard link(bus);
    EXPECT_EQ(load(link), usbresult::kVerifyMismatch);
    EXPECT_NE(link.lastError().find("0x3F85"), std::string::npos) << link.lastError();
    EXPECT_TRUE(board.cpuHeld());
    EXPECT_FALSE(board.firmwareRunning());
}

// Access refused or the interface busy fail the load until fixed; the
// firmware's node refused while udev catches up is tried until the 5 s end.
TEST_F(Loader, AccessDeniedOrBusyUntilFixedThenLoads) {
    FakeEzUsbBoard& board = bus.addLoader();
    LibusbBoard link(bus);
    board.deniedOpens = 1;
    EXPECT_EQ(load(link), usbresult::kAccessDenied);
    EXPECT_NE(link.lastError().find("udevadm control --reload-rules"), std::string::npos);
    board.busyClaims = 1;
    EXPECT_EQ(load(link), usbresult::kBusy);
    EXPECT_EQ(load(link), usbresult::kOk) << link.lastError();
    for (const auto& [denials, result] :
         {std::pair{3, usbresult::kOk}, std::pair{1000, usbresult::kAccessDenied}}) {
        Rig r;
        r.board.deniedFirmwareOpens = denials;
        EXPECT_EQ(load(r.link), result) << denials;
    }
}

TEST_F(Loader, FindsExactlyOneBoardAmongTheCandidates) {
    bus.addBoard({{0x046D, 0xC52B}, 1, {3}, 9});  // some other device
    LibusbBoard link(bus, "1234:5678");
    EXPECT_EQ(load(link), usbresult::kNoBoard);
    EXPECT_NE(link.lastError().find("04b4:8613 1234:5678"), std::string::npos) << link.lastError();

    const FakeEzUsbBoard& first = bus.addLoader({1});
    const FakeEzUsbBoard& second = bus.addBoard({{0x1234, 0x5678}, 2, {4, 1}, 3});
    EXPECT_EQ(load(link), usbresult::kSeveralBoards);
    EXPECT_NE(link.lastError().find(first.info().describe()), std::string::npos);
    EXPECT_NE(link.lastError().find(second.info().describe()), std::string::npos);
    EXPECT_EQ(bus.openCalls(), 0);
}

TEST_F(Loader, BoardUnderAConfiguredIdAndBadIdLists) {
    FakeEzUsbBoard& board = bus.addBoard({{0xABCD, 0x0001}, 1, {2}, 5});
    LibusbBoard configured(bus, " abcd:1 ");
    EXPECT_EQ(load(configured), usbresult::kOk) << configured.lastError();
    EXPECT_TRUE(board.firmwareRunning());

    FakeUsbTransport other;
    other.addLoader();
    LibusbBoard misconfigured(other, "04b4:1004;abcd:1");
    EXPECT_EQ(load(misconfigured), usbresult::kBadUsbIds);
    EXPECT_NE(misconfigured.lastError().find("04b4:1004;abcd:1"), std::string::npos);
    EXPECT_EQ(other.traffic(), 0u);
}

// Case, blanks and repeats are forgiven; a missing half, a trailing comma,
// five digits or a 0x prefix make the list unreadable.
TEST(UsbIds, ParsesTheEnvironmentList) {
    const UsbIdList good = parseUsbIds(" 04B4:1004 ,abcd:12,04b4:1004");
    EXPECT_TRUE(good.ok());
    EXPECT_EQ(good.ids, (std::vector<UsbId>{{0x04B4, 0x1004}, {0xABCD, 0x0012}}));
    EXPECT_TRUE(parseUsbIds("  ").ok());
    for (const char* bad : {"04b4", "04b4:1004,", "04b4:10045", "0x4b4:1004"}) {
        EXPECT_FALSE(parseUsbIds(bad).ok()) << bad;
        EXPECT_TRUE(parseUsbIds(bad).ids.empty()) << bad;
    }
    EXPECT_EQ(toString(UsbId{0x04B4, 0x8613}), "04b4:8613");
}

}  // namespace
}  // namespace kteval
