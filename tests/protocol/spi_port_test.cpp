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
        EXPECT_TRUE(usb.requests.empty()) << "the word is shown before it is sent";
    });
    port.SPIout(0x031555);
    EXPECT_EQ(shown, std::vector<std::string>{"031555"});
    EXPECT_EQ(
        usb.requests,
        (std::vector<Request>{{request::WordTransfer, 0x1555, 0x03, request::DirectionOut, 0}}));
}

}  // namespace
}  // namespace kteval
