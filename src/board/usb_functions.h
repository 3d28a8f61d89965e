#pragma once

#include <cstdint>

namespace kteval {

// The board's USB library: exactly two operations. Implemented by the real
// libusb link and by the simulated board; the program never knows which.
class USBFunctions {
  public:
    virtual ~USBFunctions() = default;

    // Loads the firmware image whose full path is the zero-terminated 8-bit
    // text at path. Negative: no board (or the load failed); >= 0: success.
    virtual int16_t LoadFirmWare(const uint8_t* path) = 0;

    // One vendor request. direction 0 = host to board, 1 = board to host;
    // length bytes of buffer are sent or received.
    virtual int16_t VendorIORequest(int16_t request, int32_t value, int32_t index,
                                    int16_t direction, int16_t length, uint8_t* buffer) = 0;
};

}  // namespace kteval
