// Starting the firmware through real libusb while the emulated board takes
// its time to leave the bus, never comes back, or never leaves.
#include <gtest/gtest.h>

#include <cerrno>

#include "emulated_test_support.h"
#include "ezusb_loader.h"

namespace kteval {
namespace {

using emulation::EmulatedReenumeration;
using namespace emulation::support;

struct Case {
    const char* name;
    std::optional<std::chrono::milliseconds> dropAfter;
    std::optional<std::chrono::milliseconds> returnAfter;
    int16_t code;
    int releaseUrbStatus = 0;
};

// The loader never claims the device that is about to leave, never waits
// without bound, and when the firmware comes back, the link talks to it.
TEST(EmulatedReenumeration, TheLoaderWaitsForWhatTheBusShows) {
    const Case cases[] = {
        {"leaves after 0.1 s", 100ms, 300ms, usbresult::kOk},
        {"leaves after 0.8 s", 800ms, 300ms, usbresult::kOk},
        {"leaves after 2 s", 2000ms, 300ms, usbresult::kOk},
        {"leaves and never comes back", 100ms, std::nullopt, usbresult::kReenumerationTimeout},
        {"never leaves", std::nullopt, std::nullopt, usbresult::kNoReenumeration},
        // The board drops before the release transfer's status stage.
        {"release cut off (EPROTO)", 100ms, 300ms, usbresult::kOk, -EPROTO},
        {"release cut off (ESHUTDOWN)", 100ms, 300ms, usbresult::kOk, -ESHUTDOWN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.board.setReenumeration({c.dropAfter, c.returnAfter, kFirmwareId, c.releaseUrbStatus});
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(load(rig.link, rig.firmware), c.code) << rig.link.lastError();
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_LT(took, EzUsbLoader::kReenumerationLimit + 5s);  // the image itself takes ~1 s
        EXPECT_EQ(rig.board.claimsOfLeavingDevice(), 0);
        EXPECT_EQ(rig.board.cpuReleases(), 1);

        uint8_t zero = 0;
        const int16_t start = rig.link.VendorIORequest(224, 0, 0, 0, 0, &zero);
        if (c.code == usbresult::kOk) {
            EXPECT_EQ(start, 0) << rig.link.lastError();
            EXPECT_EQ(rig.board.startRequests(), 1);
            EXPECT_EQ(rig.board.presence().id, kFirmwareId);
        } else {
            EXPECT_EQ(start, usbresult::kNotOpen);
            EXPECT_EQ(rig.board.startRequests(), 0);
        }
    }
}

}  // namespace
}  // namespace kteval
