#pragma once

// What the tests over the emulated board share: the firmware's ID, waits for
// libusb to notice bus changes, and a board with libusb over it.
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

constexpr UsbId kFirmwareId{0x04B4, 0x4421};
constexpr const char* kFirmwareIds = "04b4:4421";
constexpr auto kBusLimit = 10s;  // generous: libusb sees bus changes through udev events

// Whether libusb comes to list a device with id (listed) or no longer to
// list it (!listed) within limit.
inline bool waitForListing(UsbTransport& transport, UsbId id, bool listed,
                           std::chrono::milliseconds limit = kBusLimit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
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

// The board first (it sets up the emulated bus), then libusb over it.
struct Rig {
    EmulatedEzUsbBoard board;
    LibusbTransport transport;
    LibusbBoard link{transport, kFirmwareIds};
    testing_support::TempDir dir;
    std::string firmware =
        dir.write("KT4421SPI.hex", writeIntelHex(testing_support::sampleImage(), 32));
};

}  // namespace kteval::emulation::support
