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

// Whether libusb comes to list a device that matches (listed) or no longer
// to list one (!listed) within 10 s (libusb sees bus changes through udev
// events).
template <typename Match>
bool waitForListing(UsbTransport& transport, Match matches, bool listed) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (true) {
        bool seen = false;
        for (const UsbDeviceInfo& device : transport.listDevices().devices) {
            seen = seen || matches(device);
        }
        if (seen == listed) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

// A device with id.
inline bool waitForListing(UsbTransport& transport, UsbId id, bool listed) {
    return waitForListing(
        transport, [id](const UsbDeviceInfo& device) { return device.id == id; }, listed);
}

// A device on port ("1-2").
inline bool waitForPort(UsbTransport& transport, const std::string& port, bool listed) {
    return waitForListing(
        transport, [&port](const UsbDeviceInfo& device) { return device.portName() == port; },
        listed);
}

}  // namespace kteval::emulation::support
