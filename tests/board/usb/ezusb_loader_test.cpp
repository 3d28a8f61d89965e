#include <gtest/gtest.h>

#include "ezusb_loader.h"
#include "fake_usb_transport.h"
#include "libusb_board.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

using namespace std::chrono_literals;

// A bus with one board in loader mode, the link over it and the firmware file.
struct Rig {
    explicit Rig(const char* ids = "") : link(bus, ids) {}
    int16_t load() { return testing_support::load(link, firmware); }
    bool firmwareAnswers() {
        uint8_t zero = 0;
        const std::size_t before = board.firmwareRequests().size();
        return link.VendorIORequest(224, 0, 0, 0, 0, &zero) == 0 &&
               board.firmwareRequests().size() == before + 1;
    }

    testing_support::TempDir dir;
    std::string firmware =
        dir.write("KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 32));
    FakeUsbTransport bus;
    FakeEzUsbBoard& board = bus.addLoader();
    LibusbBoard link;
};

// The CPU is held for the whole image, in chunks of at most 1 KiB read back
// each, with 1 s timeouts; then the firmware answers.
TEST(Loader, WritesTheImageWhileTheCpuIsHeldThenOpensTheFirmware) {
    Rig r;
    ASSERT_EQ(r.load(), usbresult::kOk) << r.link.lastError();
    EXPECT_EQ(r.board.ramWritesWhileRunning(), 0);
    const FakeTransfer& hold = r.bus.transfers().front();
    const FakeTransfer& release = r.bus.transfers().back();
    EXPECT_EQ(hold.value, 0xE600);
    EXPECT_EQ(hold.outData, std::vector<uint8_t>{1});
    EXPECT_EQ(release.value, 0xE600);
    EXPECT_EQ(release.outData, std::vector<uint8_t>{0});
    std::size_t reads = 0;
    for (const FakeTransfer& t : r.bus.transfers()) {
        EXPECT_EQ(t.request, 0xA0);
        EXPECT_EQ(t.timeout, 1000ms);
        EXPECT_LE(t.length, 1024u);
        reads += t.requestType == 0xC0;
    }
    EXPECT_EQ(reads, 5u);  // 3000 bytes in three chunks, 0x80 and 0x200 in one each
    EXPECT_TRUE(r.firmwareAnswers());
}

// Only a device that replaces the loader's on its port is the firmware
// (whatever its ID), found within one poll of its arrival, even while the
// loader's device lingers; the wait ends 5 s after the release, with -13 if
// the loader's device never left, else -10.
TEST(Loader, WaitsForReenumerationUpToFiveSeconds) {
    using Kind = FakeReenumeration::Kind;
    struct Case {
        FakeReenumeration script;
        int16_t result;
    } cases[] = {
        {{Kind::NewAddress, 2500ms, UsbId{0x04B4, 0x1004}, 2000ms}, usbresult::kOk},
        {{Kind::NewAddress, 4950ms, {}}, usbresult::kOk},
        {{Kind::Stay, 0ms, {}}, usbresult::kNoReenumeration},
        {{Kind::NewAddress, 5200ms, {}}, usbresult::kReenumerationTimeout},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script.delay.count());
        Rig r;
        r.board.reenumeration = c.script;
        const uint8_t loaderAddress = r.board.info().address;
        ASSERT_EQ(r.load(), c.result) << r.link.lastError();
        EXPECT_LE(r.bus.elapsed(), 5050ms);
        if (c.result == usbresult::kOk) {
            EXPECT_GE(r.bus.elapsed(), c.script.delay);
            EXPECT_LE(r.bus.elapsed(), c.script.delay + EzUsbLoader::kPollInterval);
            EXPECT_NE(r.board.info().address, loaderAddress);
            r.bus.sleep(3s);  // long after the loader's device has gone
            EXPECT_TRUE(r.firmwareAnswers());
        } else {
            EXPECT_GE(r.bus.elapsed(), 5000ms);
            EXPECT_FALSE(r.link.isOpen());
        }
    }
}

// Where libusb cannot tell the port path, only a device under an ID a board
// is known by is taken for the firmware.
TEST(Loader, WithoutAPortPathOnlyAKnownIdIsTheFirmware) {
    for (const char* ids : {"04b4:1004", ""}) {
        Rig r(ids);
        FakeEzUsbBoard& board = r.bus.addLoader({});
        r.board.unplug();
        board.reenumeration = {FakeReenumeration::Kind::NewAddress, 700ms, UsbId{0x04B4, 0x1004}};
        EXPECT_EQ(r.load(), *ids ? usbresult::kOk : usbresult::kReenumerationTimeout) << ids;
    }
}

// The release write may end in an error or a disconnect as the CPU starts;
// any other failed transfer, or a read-back mismatch, stops the load.
TEST(Loader, FaultsDuringTheLoad) {
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
        EXPECT_EQ(r.load(), c.result) << r.link.lastError();
        EXPECT_EQ(r.board.firmwareRunning(), c.result == usbresult::kOk);
    }
    Rig r;
    r.board.corruptAddress = 0x3F85;
    EXPECT_EQ(r.load(), usbresult::kVerifyMismatch);
    EXPECT_NE(r.link.lastError().find("0x3F85"), std::string::npos) << r.link.lastError();
    EXPECT_TRUE(r.board.cpuHeld() && !r.board.firmwareRunning());
}

// Access refused or the interface busy fail the load until fixed; the
// firmware's node refused while udev catches up is tried until the 5 s end.
TEST(Loader, AccessDeniedOrBusyUntilFixedThenLoads) {
    Rig r;
    r.board.deniedOpens = 1;
    EXPECT_EQ(r.load(), usbresult::kAccessDenied);
    EXPECT_NE(r.link.lastError().find("udevadm control --reload-rules"), std::string::npos);
    r.board.busyClaims = 1;
    EXPECT_EQ(r.load(), usbresult::kBusy);
    EXPECT_EQ(r.load(), usbresult::kOk) << r.link.lastError();
    for (const auto& [denials, result] :
         {std::pair{3, usbresult::kOk}, std::pair{1000, usbresult::kAccessDenied}}) {
        Rig again;
        again.board.deniedFirmwareOpens = denials;
        EXPECT_EQ(again.load(), result) << denials;
    }
}

// Exactly one board among the candidates, under the loader's or a configured
// ID; a bad ID list loads nothing.
TEST(Loader, FindsExactlyOneBoardUnderAKnownId) {
    Rig r("1234:5678");
    r.board.unplug();
    r.bus.addBoard({{0x046D, 0xC52B}, 1, {3}, 9});  // some other device
    EXPECT_EQ(r.load(), usbresult::kNoBoard);
    EXPECT_NE(r.link.lastError().find("04b4:8613 1234:5678"), std::string::npos);
    FakeEzUsbBoard& configured = r.bus.addBoard({{0x1234, 0x5678}, 2, {4, 1}, 3});
    EXPECT_EQ(r.load(), usbresult::kOk) << r.link.lastError();
    EXPECT_TRUE(configured.firmwareRunning());
    const FakeEzUsbBoard& second = r.bus.addLoader({1});
    const int opens = r.bus.openCalls();
    EXPECT_EQ(r.load(), usbresult::kSeveralBoards);
    EXPECT_NE(r.link.lastError().find(second.info().describe()), std::string::npos);
    EXPECT_EQ(r.bus.openCalls(), opens);

    Rig bad("04b4:1004;abcd:1");
    EXPECT_EQ(bad.load(), usbresult::kBadUsbIds);
    EXPECT_NE(bad.link.lastError().find("04b4:1004;abcd:1"), std::string::npos);
    EXPECT_EQ(bad.bus.traffic(), 0u);
}

// Case, blanks and repeats are forgiven; a missing half, a trailing comma,
// five digits or a 0x prefix make the list unreadable.
TEST(UsbIds, ParsesTheEnvironmentList) {
    const UsbIdList good = parseUsbIds(" 04B4:1004 ,abcd:12,04b4:1004");
    EXPECT_TRUE(good.ok() && parseUsbIds("  ").ok());
    EXPECT_EQ(good.ids, (std::vector<UsbId>{{0x04B4, 0x1004}, {0xABCD, 0x0012}}));
    for (const char* bad : {"04b4", "04b4:1004,", "04b4:10045", "0x4b4:1004"}) {
        EXPECT_TRUE(!parseUsbIds(bad).ok() && parseUsbIds(bad).ids.empty()) << bad;
    }
    EXPECT_EQ(toString(UsbId{0x04B4, 0x8613}), "04b4:8613");
}

}  // namespace
}  // namespace kteval
