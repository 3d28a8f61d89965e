#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "firmware_search.h"
#include "usb_functions.h"

namespace kteval {

// The program's own layer over USBFunctions. Every library call goes through
// it and leaves its result in LastResult.
class BoardLink {
  public:
    explicit BoardLink(USBFunctions& usb) : usb_(usb) {}

    // The firmware image's file name, looked for beside the executable first.
    static constexpr const char* kFirmwareFileName = "KT4421SPI.hex";
    // LoadFirmWare's result when the path cannot be handed to the library
    // (longer than 512 bytes); no library call is made then.
    static constexpr int16_t kPathRefused = -100;

    std::array<uint8_t, 513> TextBuffer{};  // zero-terminated path for LoadFirmWare
    std::array<uint8_t, 3> ReadBuffer{};    // bytes of the last read
    std::string FirmwarePath;               // set by every load
    FirmwareChoice firmwareChoice;          // where the last load looked for the image
    int16_t LastResult = 0;                 // result of the most recent library call

    // Copies the bytes of text (already in the file system's encoding) and a
    // terminating 0 into TextBuffer; bytes beyond stay as they were. A text
    // over 512 bytes is refused (false) and nothing is written.
    bool TextToBuffer(const std::string& text);

    // The load half of LoadUSB: FirmwarePath = directory + separator + file
    // name, TextToBuffer, LoadFirmWare. Returns LastResult; the caller reports
    // a negative result and then calls sendStart() whatever the result.
    int16_t loadFirmware(const std::string& executableDirectory);
    // The same, with FirmwarePath the first image found in places (see
    // chooseFirmware), or the program's own place when there is none.
    int16_t loadFirmware(const FirmwarePlaces& places);

    // The start request that follows every load attempt.
    void sendStart();

    // Sends a 24-bit command word: bits 15-0 as value, 23-16 as index,
    // bits 31-24 dropped. bitCount is not used.
    void WriteWord(int bitCount, int32_t word);

    // Reads a 16-bit value: ReadBuffer[1] x 256 + ReadBuffer[0].
    int32_t ReadWord();

    // A line request (RESET, CLR, LDAC): value, index, direction, length 0.
    void SendRequest(int16_t code);

    // The median of the last 64 word and line requests (the time one request
    // takes on this link); 125 us, a high-speed control transfer, before any.
    std::chrono::nanoseconds requestTime() const;

    // How many loads and requests have failed since the link was made: a run
    // without a window tells by it whether everything reached the board.
    int failedCalls() const { return failedCalls_; }

  private:
    int16_t counted(int16_t result);
    // One vendor request, timed.
    int16_t timed(int16_t code, int32_t value, int32_t index, int16_t direction, int16_t length,
                  uint8_t* buffer);

    USBFunctions& usb_;
    std::array<std::chrono::nanoseconds, 64> recent_{};  // the last request times
    std::size_t timedCount_ = 0;
    int failedCalls_ = 0;
};

}  // namespace kteval
