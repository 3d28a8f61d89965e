#include "spi_port.h"

#include <gtest/gtest.h>

#include <vector>

#include "command_words.h"
#include "monitor_state.h"
#include "request_codes.h"

namespace kteval {
namespace {

struct Request {
    int16_t request;
    int32_t value, index;
    int16_t direction, length;
};

class RecordingUsb : public USBFunctions {
  public:
    std::vector<Request> requests;
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
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "031555");
    ASSERT_EQ(usb.requests.size(), 1u);
    EXPECT_EQ(usb.requests[0].request, request::WordTransfer);
    EXPECT_EQ(usb.requests[0].value, 0x1555);
    EXPECT_EQ(usb.requests[0].index, 0x03);
    EXPECT_EQ(usb.requests[0].direction, 0);
    EXPECT_EQ(usb.requests[0].length, 0);
}

TEST(MonitorState, BitRulesOverSeveralEntries) {
    struct Step {
        bool isEnable;  // cboDisable, else cboMonChannel
        int position;
        int32_t expectedWord;
    };
    // Enable, channel 5, Mon_In0 (bit 2 of the channel stays), Mon_In1,
    // channel 3, disable, then no entry chosen.
    const Step steps[] = {{true, 1, 0x0C0020},  {false, 7, 0x0C0025}, {false, 0, 0x0C0034},
                          {false, 1, 0x0C0035}, {false, 5, 0x0C0023}, {true, 0, 0x0C0003},
                          {false, -1, 0x0C0003}};
    int32_t state = 0;
    for (const Step& step : steps) {
        state = step.isEnable ? monitorEnabled(state, step.position)
                              : monitorChannelChosen(state, step.position);
        EXPECT_EQ(word::monitorWord(state), step.expectedWord) << step.position;
    }
    EXPECT_EQ(monitorChannelChosen(0, 1), 0x11);
    EXPECT_EQ(monitorChannelChosen(0x11, 5), 0x03);
    EXPECT_EQ(monitorChannelChosen(0, 0), 0x10);
}

}  // namespace
}  // namespace kteval
