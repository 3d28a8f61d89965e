#include "usb_id_cache.h"

#include <gtest/gtest.h>

#include "fake_usb_transport.h"
#include "libusb_board.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

using testing_support::TempDir;

// $XDG_CACHE_HOME when absolute, else ~/.cache, else no cache at all.
TEST(UsbIdCache, PathFollowsXdgCacheHome) {
    EXPECT_EQ(UsbIdCache::defaultPath("/x/cache", "/home/u"), "/x/cache/kteval/usb-ids");
    EXPECT_EQ(UsbIdCache::defaultPath(nullptr, "/home/u"), "/home/u/.cache/kteval/usb-ids");
    EXPECT_EQ(UsbIdCache::defaultPath("relative", "/home/u"), "/home/u/.cache/kteval/usb-ids");
    EXPECT_EQ(UsbIdCache::defaultPath(nullptr, nullptr), "");
}

TEST(UsbIdCache, KeepsRecentIdsFirstWithoutRepeats) {
    TempDir dir;
    const UsbIdCache cache((dir.path() / "new" / "kteval" / "usb-ids").string());
    EXPECT_TRUE(cache.read().empty());
    for (uint16_t product = 1; product <= 10; ++product) {
        ASSERT_TRUE(cache.remember({0x04B4, product}));
    }
    ASSERT_TRUE(cache.remember({0x04B4, 5}));
    const std::vector<UsbId> ids = cache.read();
    ASSERT_EQ(ids.size(), 8u);  // the eight most recent
    EXPECT_EQ(ids[0], (UsbId{0x04B4, 5}));
    EXPECT_EQ(ids[1], (UsbId{0x04B4, 10}));
    EXPECT_EQ(testing_support::readText(cache.path()).substr(0, 20), "04b4:0005\n04b4:000a\n");
}

// A cache that cannot be read or written never fails a load.
TEST(UsbIdCache, BrokenCacheNeverFailsALoad) {
    TempDir dir;
    const std::string firmware =
        dir.write("KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 16));
    const std::string blocker = dir.write("plain-file", "x");
    struct Case {
        const char* name;
        std::string path;
        std::vector<UsbId> readBack;
    } cases[] = {
        {"corrupt",
         dir.write("corrupt", std::string("\0\xff\n04b4:zz\nabcd:0001 junk\n", 25) +
                                  std::string(1 << 20, 'x')),
         {{0x04B4, 0x1004}}},
        {"unwritable", blocker + "/usb-ids", {}},
        // An ID cut off where reading stops is no ID (here it would read 04b4:0001).
        {"cut at the size limit",
         dir.write("long", std::string(UsbIdCache::kMaxFileSize - 7, 'x') + "\n04b4:1004\n"),
         {{0x04B4, 0x1004}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeUsbTransport bus;
        FakeEzUsbBoard& board = bus.addLoader();
        board.reenumeration.newId = UsbId{0x04B4, 0x1004};
        LibusbBoard link(bus, {}, UsbIdCache(c.path));
        EXPECT_EQ(testing_support::load(link, firmware), usbresult::kOk) << link.lastError();
        EXPECT_EQ(UsbIdCache(c.path).read(), c.readBack);
    }
}

}  // namespace
}  // namespace kteval
