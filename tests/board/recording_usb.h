#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "usb_functions.h"

namespace kteval {

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
        if (direction == 1) {
            for (int i = 0; i < length && i < static_cast<int>(readBytes.size()); ++i) {
                buffer[i] = readBytes[static_cast<std::size_t>(i)];
            }
        }
        return requestResult;
    }
};

}  // namespace kteval
