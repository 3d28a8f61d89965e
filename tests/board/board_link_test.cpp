#include "board_link.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "request_codes.h"

namespace kteval {
namespace {

struct Call {
    int16_t request;
    int32_t value;
    int32_t index;
    int16_t direction;
    int16_t length;
    std::vector<uint8_t> bufferBefore;  // the bytes handed over, length or at least 1
    uint8_t* buffer;
};

// Records every call; reads fill the buffer with readBytes.
class RecordingUsb : public USBFunctions {
  public:
    std::vector<std::string> loads;
    std::vector<Call> calls;
    int16_t loadResult = 0;
    int16_t requestResult = 7;
    std::vector<uint8_t> readBytes{0x34, 0x12, 0xFF};

    int16_t LoadFirmWare(const uint8_t* path) override {
        loads.emplace_back(reinterpret_cast<const char*>(path));
        return loadResult;
    }
    int16_t VendorIORequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t* buffer) override {
        const int shown = length > 0 ? length : 1;
        calls.push_back({request, value, index, direction, length,
                         std::vector<uint8_t>(buffer, buffer + shown), buffer});
        if (direction == request::DirectionIn) {
            for (int i = 0; i < length && i < static_cast<int>(readBytes.size()); ++i) {
                buffer[i] = readBytes[static_cast<std::size_t>(i)];
            }
        }
        return requestResult;
    }
};

class BoardLinkTest : public ::testing::Test {
  protected:
    RecordingUsb usb;
    BoardLink link{usb};

    void expectOneCall(int16_t request, int32_t value, int32_t index, int16_t direction,
                       int16_t length) {
        ASSERT_EQ(usb.calls.size(), 1u);
        const Call& call = usb.calls.front();
        EXPECT_EQ(call.request, request);
        EXPECT_EQ(call.value, value);
        EXPECT_EQ(call.index, index);
        EXPECT_EQ(call.direction, direction);
        EXPECT_EQ(call.length, length);
        EXPECT_EQ(link.LastResult, usb.requestResult);
    }
};

TEST_F(BoardLinkTest, LineRequestsCarryOnlyTheirCode) {
    for (const int16_t code :
         {request::LdacPulse, request::ResetHigh, request::ResetLow, request::ClrHigh,
          request::ClrLow, request::LdacHigh, request::LdacLow}) {
        SCOPED_TRACE(code);
        usb.calls.clear();
        link.SendRequest(code);
        expectOneCall(code, 0, 0, request::DirectionOut, 0);
        EXPECT_EQ(usb.calls.front().bufferBefore, std::vector<uint8_t>{0});
    }
}

TEST_F(BoardLinkTest, StartRequest) {
    link.sendStart();
    expectOneCall(224, 0, 0, 0, 0);
    EXPECT_EQ(usb.calls.front().bufferBefore, std::vector<uint8_t>{0});
}

TEST_F(BoardLinkTest, WriteWordSplitsTheWordAndDropsBits31To24) {
    struct Case {
        int32_t word;
        int32_t value;
        int32_t index;
    };
    for (const Case& c :
         {Case{0x058580, 0x8580, 0x05}, Case{static_cast<int32_t>(0xFF058580u), 0x8580, 0x05},
          Case{0xC81234, 0x1234, 0xC8}, Case{0xFFFFFF, 0xFFFF, 0xFF}, Case{0x000000, 0, 0},
          Case{-1, 0xFFFF, 0xFF}}) {
        SCOPED_TRACE(c.word);
        usb.calls.clear();
        link.WriteWord(24, c.word);
        expectOneCall(221, c.value, c.index, 0, 0);
        EXPECT_EQ(usb.calls.front().bufferBefore, std::vector<uint8_t>{0});
    }
}

TEST_F(BoardLinkTest, ReadWordIsLowByteFirstAndIgnoresByte2) {
    EXPECT_EQ(link.ReadWord(), 0x1234);
    expectOneCall(221, 0, 0, 1, 3);
    EXPECT_EQ(usb.calls.front().buffer, link.ReadBuffer.data());

    usb.readBytes = {0x01, 0x00, 0x77};
    EXPECT_EQ(link.ReadWord(), 1);
}

TEST_F(BoardLinkTest, TextToBufferKeepsBytesBeyondTheTerminator) {
    struct Case {
        std::size_t length;
        bool accepted;
    };
    for (const Case& c : {Case{0, true}, Case{5, true}, Case{512, true}, Case{513, false}}) {
        SCOPED_TRACE(c.length);
        link.TextBuffer.fill(0xAA);
        const std::string text(c.length, 'p');
        EXPECT_EQ(link.TextToBuffer(text), c.accepted);
        for (std::size_t i = 0; i < link.TextBuffer.size(); ++i) {
            uint8_t expected = 0xAA;
            if (c.accepted && i < c.length) expected = 'p';
            if (c.accepted && i == c.length) expected = 0;
            ASSERT_EQ(link.TextBuffer[i], expected) << "byte " << i;
        }
    }
}

TEST_F(BoardLinkTest, FirmwarePathIsDirectoryPlusFileName) {
    EXPECT_EQ(link.loadFirmware("/opt/kt eval"), usb.loadResult);
    EXPECT_EQ(link.FirmwarePath, "/opt/kt eval/KT4421SPI.hex");
    ASSERT_EQ(usb.loads.size(), 1u);
    EXPECT_EQ(usb.loads.front(), "/opt/kt eval/KT4421SPI.hex");
    EXPECT_TRUE(usb.calls.empty());
}

TEST_F(BoardLinkTest, FailedLoadIsFollowedByExactlyOneStart) {
    usb.loadResult = -1;
    EXPECT_EQ(link.loadFirmware("/x"), -1);
    EXPECT_EQ(link.LastResult, -1);
    link.sendStart();
    ASSERT_EQ(usb.loads.size(), 1u);
    ASSERT_EQ(usb.calls.size(), 1u);
    EXPECT_EQ(usb.calls.front().request, request::Start);
    EXPECT_EQ(link.LastResult, usb.requestResult);
}

TEST_F(BoardLinkTest, OverlongPathIsRefusedWithoutALibraryCall) {
    const std::string directory(512 - 14, 'd');  // + "/KT4421SPI.hex" = 512 bytes
    EXPECT_EQ(link.loadFirmware(directory), usb.loadResult);
    EXPECT_EQ(link.loadFirmware(directory + "d"), BoardLink::kPathRefused);
    EXPECT_EQ(link.LastResult, BoardLink::kPathRefused);
    EXPECT_EQ(usb.loads.size(), 1u);
    EXPECT_TRUE(usb.calls.empty());
}

}  // namespace
}  // namespace kteval
