#include "spi_port.h"

#include <gtest/gtest.h>

#include <vector>

#include "request_codes.h"

namespace kteval {
namespace {

// Records each vendor request as {request, value, index, direction, length}.
class RecordingUsb : public USBFunctions {
  public:
    std::vector<std::vector<int32_t>> requests;
    int16_t LoadFirmWare(const uint8_t*) override { return 0; }
    int16_t VendorIORequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t*) override {
        requests.push_back({request, value, index, direction, length});
        return 0;
    }
};

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
    EXPECT_EQ(usb.requests, (std::vector<std::vector<int32_t>>{
                                {request::WordTransfer, 0x1555, 0x03, request::DirectionOut, 0}}));
}

}  // namespace
}  // namespace kteval
