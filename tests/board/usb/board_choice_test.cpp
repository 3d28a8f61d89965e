// Choosing one of several boards on a fake bus: by serial or port, an
// unknown choice refused, the chosen board followed through its
// re-enumeration and found again once it has lost its serial.
#include <gtest/gtest.h>

#include "fake_usb_transport.h"
#include "libusb_board.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

using namespace std::chrono_literals;
constexpr UsbId kOwnId{0x04B4, 0x1004};

// Board A waits for its firmware on port 1-1; board B on port 1-3 runs it
// (loaded earlier) and reports serial KT-B. A load brings each back under
// kOwnId with its serial.
struct TwoBoards {
    TwoBoards() {
        a.reenumeration = {FakeReenumeration::Kind::NewAddress, 800ms, kOwnId, 0ms, "KT-A"};
        b.reenumeration = {FakeReenumeration::Kind::NewAddress, 800ms, kOwnId, 0ms, "KT-B"};
        b.startFirmware();
        bus.sleep(1s);
        bus.listDevices();  // B is back, at its new address
    }
    int16_t load() { return testing_support::load(link, firmware); }
    // Whether the link's requests reach board and no other.
    bool linkReaches(const FakeEzUsbBoard& board) {
        uint8_t zero = 0;
        const std::size_t before = board.firmwareRequests().size();
        const std::size_t all = a.firmwareRequests().size() + b.firmwareRequests().size();
        return link.VendorIORequest(224, 0, 0, 0, 0, &zero) == 0 &&
               board.firmwareRequests().size() == before + 1 &&
               a.firmwareRequests().size() + b.firmwareRequests().size() == all + 1;
    }

    testing_support::TempDir dir;
    std::string firmware =
        dir.write("KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 32));
    FakeUsbTransport bus;
    FakeEzUsbBoard& a = bus.addLoader({1});
    FakeEzUsbBoard& b = bus.addLoader({3});
    LibusbBoard link{bus, "04b4:1004"};
};

// A serial or a port loads that board alone (the other stays where it is)
// and the link names it by its serial; an ID no board answers to opens
// nothing and lists each board with the --board that chooses it.
TEST(BoardChoice, ASerialOrAPortChoosesOneBoard) {
    struct Case {
        const char* choice;
        char loads;                         // 'a', 'b', or 0 for none
        std::vector<std::string> mentions;  // the name, or the refusal's words
    } cases[] = {
        {"KT-B", 'b', {"KT-B"}},
        {"1-3", 'b', {"KT-B"}},
        {"1-1", 'a', {"KT-A"}},
        {"KT-C", 0, {"board KT-C is not connected", "(--board 1-1)", "(--board KT-B)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        TwoBoards r;
        const uint8_t aAt = r.a.info().address, bAt = r.b.info().address;
        r.link.chooseBoard(c.choice);
        EXPECT_EQ(r.load(), c.loads ? usbresult::kOk : usbresult::kNoBoard) << r.link.lastError();
        EXPECT_EQ(r.a.info().address != aAt, c.loads == 'a');
        EXPECT_EQ(r.b.info().address != bAt, c.loads == 'b');
        if (c.loads) {
            EXPECT_EQ(r.link.boardName(), c.mentions.front());
            EXPECT_TRUE(r.linkReaches(c.loads == 'a' ? r.a : r.b));
            continue;
        }
        EXPECT_EQ(r.bus.openCalls(), 0);
        for (const std::string& mention : c.mentions) {
            EXPECT_NE(r.link.lastError().find(mention), std::string::npos)
                << mention << " in: " << r.link.lastError();
        }
    }
}

// While the chosen board is off the bus, the other starts its firmware too
// (another program's load) and comes back under the same ID: before it, at
// the same moment listed first or after it. The link still takes the device
// on its own board's port.
TEST(BoardChoice, TheLoadFollowsItsBoardsPortNotItsId) {
    struct Case {
        std::chrono::milliseconds otherBack;
        bool otherListedFirst;
    } cases[] = {{400ms, false}, {800ms, true}, {800ms, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.otherBack.count());
        FakeUsbTransport bus;
        FakeEzUsbBoard* other = c.otherListedFirst ? &bus.addLoader({2}) : nullptr;
        FakeEzUsbBoard& chosen = bus.addLoader({1});
        if (other == nullptr) other = &bus.addLoader({2});
        chosen.reenumeration = {FakeReenumeration::Kind::NewAddress, 800ms, kOwnId, 0ms, "KT-A"};
        other->reenumeration = {FakeReenumeration::Kind::NewAddress, c.otherBack, kOwnId};
        LibusbBoard link(bus, "04b4:1004");  // the other's ID is a board's too
        link.chooseBoard("1-1");
        other->startFirmware();
        const testing_support::TempDir dir;
        const std::string firmware =
            dir.write("KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 32));
        ASSERT_EQ(testing_support::load(link, firmware), usbresult::kOk) << link.lastError();
        EXPECT_EQ(link.boardName(), "KT-A");
        uint8_t zero = 0;
        EXPECT_EQ(link.VendorIORequest(224, 0, 0, 0, 0, &zero), 0);
        EXPECT_EQ(chosen.firmwareRequests().size(), 1u);
        EXPECT_TRUE(other->firmwareRequests().empty());
    }
}

// A board chosen by serial and then powered up afresh waits for its firmware
// without a serial, beside another board doing the same: the reload takes it
// again on the port it was loaded on.
TEST(BoardChoice, AReloadFindsTheBoardOnItsPortOnceItsSerialIsGone) {
    TwoBoards r;
    r.link.chooseBoard("KT-B");
    ASSERT_EQ(r.load(), usbresult::kOk) << r.link.lastError();
    r.b.plugIn();
    ASSERT_EQ(r.load(), usbresult::kOk) << r.link.lastError();
    EXPECT_FALSE(r.a.firmwareRunning());
    EXPECT_EQ(r.link.boardName(), "KT-B");
    EXPECT_TRUE(r.linkReaches(r.b));
}

}  // namespace
}  // namespace kteval
