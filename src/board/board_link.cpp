#include "board_link.h"

#include <algorithm>

#include "request_codes.h"

namespace kteval {

bool BoardLink::TextToBuffer(const std::string& text) {
    if (text.size() > TextBuffer.size() - 1) return false;
    std::copy(text.begin(), text.end(), TextBuffer.begin());
    TextBuffer[text.size()] = 0;
    return true;
}

int16_t BoardLink::loadFirmware(const std::string& executableDirectory) {
    return loadFirmware(FirmwarePlaces{{}, executableDirectory, {}});
}

int16_t BoardLink::loadFirmware(const FirmwarePlaces& places) {
    firmwareChoice = chooseFirmware(places);
    FirmwarePath = firmwareChoice.path;
    if (!TextToBuffer(FirmwarePath)) {
        LastResult = counted(kPathRefused);
        return LastResult;
    }
    LastResult = counted(usb_.LoadFirmWare(TextBuffer.data()));
    return LastResult;
}

void BoardLink::sendStart() {
    uint8_t buffer = 0;
    LastResult =
        counted(usb_.VendorIORequest(request::Start, 0, 0, request::DirectionOut, 0, &buffer));
}

void BoardLink::WriteWord(int /*bitCount*/, int32_t word) {
    const int32_t value = word & 0xFFFF;
    const int32_t index = (word & 0xFF0000) / 65536;
    uint8_t buffer = 0;
    LastResult = timed(request::WordTransfer, value, index, request::DirectionOut, 0, &buffer);
}

int32_t BoardLink::ReadWord() {
    LastResult = counted(usb_.VendorIORequest(request::WordTransfer, 0, 0, request::DirectionIn, 3,
                                              ReadBuffer.data()));
    return ReadBuffer[1] * 256 + ReadBuffer[0];
}

void BoardLink::SendRequest(int16_t code) {
    uint8_t buffer = 0;
    LastResult = timed(code, 0, 0, request::DirectionOut, 0, &buffer);
}

int16_t BoardLink::timed(int16_t code, int32_t value, int32_t index, int16_t direction,
                         int16_t length, uint8_t* buffer) {
    const auto start = std::chrono::steady_clock::now();
    const int16_t result = usb_.VendorIORequest(code, value, index, direction, length, buffer);
    recent_[timedCount_++ % recent_.size()] = std::chrono::steady_clock::now() - start;
    return counted(result);
}

int16_t BoardLink::counted(int16_t result) {
    if (result < 0) ++failedCalls_;
    return result;
}

std::chrono::nanoseconds BoardLink::requestTime() const {
    if (timedCount_ == 0) return std::chrono::microseconds(125);
    // The median: one slow request (a busy host) does not make every step slow.
    std::array<std::chrono::nanoseconds, 64> times = recent_;
    const auto end =
        times.begin() + static_cast<std::ptrdiff_t>(std::min(timedCount_, times.size()));
    const auto middle = times.begin() + (end - times.begin()) / 2;
    std::nth_element(times.begin(), middle, end);
    return *middle;
}

}  // namespace kteval
