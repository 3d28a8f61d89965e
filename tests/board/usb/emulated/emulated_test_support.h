#pragma once

// What the tests over the emulated board share: the firmware's ID, a wait
// for libusb to notice bus changes, and a board with libusb over it.
#include <chrono>
#include <string>
#include <thread>

#include "emulated_ezusb_board.h"
#include "libusb_board.h"
#include "libusb_transport.h"
#include "usb_test_support.h"

namespace kteval::emulation::support {

using namespace std::chrono_literals;
using testing_support::load;

constexpr UsbId kFirmwareId = EmulatedEzUsbBoard::kFirmwareId;
constexpr const char* kFirmwareIds = "04b4:4421";

// Whether libusb comes to list a device with id (listed) or no longer to
// list it (!listed) within 10 s (libusb sees bus changes through udev events).
inline bool waitForListing(UsbTransport& transport, UsbId id, bool listed) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (true) {
        bool seen = false;
        for (const UsbDeviceInfo& device : transport.listDevices().devices) {
            seen = seen || device.id == id;
        }
        if (seen == listed) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

}  // namespace kteval::emulation::support
