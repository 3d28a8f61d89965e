#include "board_link.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "recording_usb.h"

namespace kteval {
namespace {

class BoardLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        usb.requestResult = 7;
        usb.readBytes = {0x34, 0x12, 0xFF};
    }

    RecordingUsb usb;
    BoardLink link{usb};
};

// Every request of the firmware's table, with the exact arguments handed over.
TEST_F(BoardLinkTest, EveryRequestCarriesItsArguments) {
    struct Case {
        const char* what;
        std::function<void(BoardLink&)> act;
        int16_t request;
        int32_t value, index;
        int16_t direction, length;
    };
    const auto word = [](int32_t w) { return [w](BoardLink& l) { l.WriteWord(24, w); }; };
    // clang-format off
    const Case cases[] = {
        {"start", [](BoardLink& l) { l.sendStart(); }, 224, 0, 0, 0, 0},
        {"read", [](BoardLink& l) { l.ReadWord(); }, 221, 0, 0, 1, 3},
        {"LDAC pulse", [](BoardLink& l) { l.SendRequest(222); }, 222, 0, 0, 0, 0},
        {"bits 31-24 dropped", word(static_cast<int32_t>(0xFF058580u)), 221, 0x8580, 0x05, 0, 0},
        {"top byte", word(0xC81234), 221, 0x1234, 0xC8, 0, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        usb.clear();
        link.LastResult = 0;
        c.act(link);
        ASSERT_EQ(usb.requests.size(), 1u);
        EXPECT_EQ(usb.requests.front(),
                  (Request{c.request, c.value, c.index, c.direction, c.length}));
        EXPECT_EQ(link.LastResult, usb.requestResult);
    }
    EXPECT_TRUE(usb.loads.empty());
}

TEST_F(BoardLinkTest, ReadWordIsLowByteFirstAndIgnoresByte2) {
    EXPECT_EQ(link.ReadWord(), 0x1234);
    usb.readBytes = {0x01, 0x00, 0x77};
    EXPECT_EQ(link.ReadWord(), 1);
}

TEST_F(BoardLinkTest, TextToBufferKeepsBytesBeyondTheTerminator) {
    for (const std::size_t length : {5u, 512u, 513u}) {
        SCOPED_TRACE(length);
        const bool accepted = length <= 512;
        link.TextBuffer.fill(0xAA);
        EXPECT_EQ(link.TextToBuffer(std::string(length, 'p')), accepted);
        for (std::size_t i = 0; i < link.TextBuffer.size(); ++i) {
            uint8_t expected = 0xAA;
            if (accepted && i < length) expected = 'p';
            if (accepted && i == length) expected = 0;
            ASSERT_EQ(link.TextBuffer[i], expected) << "byte " << i;
        }
    }
}

TEST_F(BoardLinkTest, FirmwarePathIsDirectoryPlusFileName) {
    EXPECT_EQ(link.loadFirmware("/opt/kt eval"), usb.loadResult);
    EXPECT_EQ(link.FirmwarePath, "/opt/kt eval/KT4421SPI.hex");
    EXPECT_EQ(usb.loads, std::vector<std::string>{"/opt/kt eval/KT4421SPI.hex"});
    EXPECT_TRUE(usb.requests.empty());

    const std::string directory(512 - 14, 'd');  // + "/KT4421SPI.hex" = 512 bytes
    EXPECT_EQ(link.loadFirmware(directory), usb.loadResult);
    EXPECT_EQ(link.loadFirmware(directory + "d"), BoardLink::kPathRefused);
    EXPECT_EQ(link.LastResult, BoardLink::kPathRefused);
    EXPECT_EQ(usb.loads.size(), 2u) << "an overlong path makes no library call";
    usb.loadResult = -1;
    EXPECT_EQ(link.loadFirmware("/x"), -1);
    EXPECT_EQ(link.LastResult, -1) << "a failed load is reported";
}

}  // namespace
}  // namespace kteval
