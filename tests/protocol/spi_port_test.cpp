#include "spi_port.h"

#include <gtest/gtest.h>

#include <vector>

#include "recording_usb.h"
#include "request_codes.h"

namespace kteval {
namespace {

TEST(SpiPort, ShowsTheWordThenWritesIt) {
    RecordingUsb usb;
    BoardLink link(usb);
    std::vector<std::string> shown;
    SpiPort port(link, [&](const std::string& text) {
        shown.push_back(text);
        EXPECT_TRUE(usb.calls.empty()) << "the word is shown before it is sent";
    });
    port.SPIout(0x031555);
    EXPECT_EQ(shown, std::vector<std::string>{"031555"});
    ASSERT_EQ(usb.calls.size(), 1u);
    const Call& call = usb.calls.front();
    EXPECT_EQ(call.request, request::WordTransfer);
    EXPECT_EQ(call.value, 0x1555);
    EXPECT_EQ(call.index, 0x03);
    EXPECT_EQ(call.direction, request::DirectionOut);
    EXPECT_EQ(call.length, 0);
}

}  // namespace
}  // namespace kteval
