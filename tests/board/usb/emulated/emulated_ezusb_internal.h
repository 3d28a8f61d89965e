#pragma once

// What the emulated board's two halves (bus and node) share.
// clang-format off
#include <sys/ioctl.h>  // before usbdevice_fs.h, whose request numbers need _IOR
#include <linux/usbdevice_fs.h>
// clang-format on
#include <umockdev.h>

#include <deque>

#include "emulated_ezusb_board.h"

namespace kteval::emulation {

// One stay of the board on the bus, with its own address, node and handler.
struct EmulatedEzUsbBoard::Appearance {
    EmulatedEzUsbBoard* board = nullptr;
    UsbId id;
    uint8_t address = 0;
    UMockdevIoctlBase* handler = nullptr;
    bool onBus = false;
    bool driverBound = false;                   // a kernel driver holds interface 0
    UMockdevIoctlClient* claimedBy = nullptr;   // the open file that claimed interface 0
    std::deque<UMockdevIoctlData*> reaps;       // completed URBs waiting for the reap
    std::deque<UMockdevIoctlData*> unanswered;  // URBs a hung firmware holds
};

}  // namespace kteval::emulation
