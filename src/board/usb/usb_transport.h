#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "usb_ids.h"

namespace kteval {

// Outcome of one USB operation, independent of the library underneath.
enum class UsbStatus {
    Ok,
    AccessDenied,  // no permission on the device node
    Busy,          // the interface is held by another program or driver
    NoDevice,      // the device has left the bus
    NotFound,      // no such device or interface
    Timeout,
    Stall,        // the device answered with STALL (request refused)
    Overflow,     // the device sent more than asked for
    Io,           // any other transfer error
    Unavailable,  // the USB library could not be started
};

const char* toString(UsbStatus status);

// Where a device sits: bus, the hub ports leading to it and its address.
// The port path stays the same when a device re-enumerates; the address
// changes.
struct UsbDeviceInfo {
    UsbId id;
    uint8_t bus = 0;
    std::vector<uint8_t> portPath;
    uint8_t address = 0;
    // The serial number string the device reports; empty when it reports
    // none or it has not been read (UsbTransport::readSerial).
    std::string serial{};

    bool samePort(const UsbDeviceInfo& other) const {
        return bus == other.bus && portPath == other.portPath;
    }
    // "04b4:8613 on bus 1 port 2.4 (address 7)"
    std::string describe() const;
    // The usbfs node Linux gives it: "/dev/bus/usb/001/007".
    std::string node() const;
    // The port as Linux names it: "1-4.2" (bus, then the ports joined by '.').
    std::string portName() const;
    // What --board names it by: its serial, or its port when it has none.
    std::string boardId() const { return serial.empty() ? portName() : serial; }
    // Whether id names it, by serial or by port.
    bool namedBy(const std::string& id) const {
        return !id.empty() && (id == serial || id == portName());
    }
};

struct UsbTransferResult {
    UsbStatus status = UsbStatus::Ok;
    std::size_t transferred = 0;  // bytes moved when status is Ok
};

// An open device. Closing (destruction) releases the claimed interface.
class UsbDevice {
  public:
    virtual ~UsbDevice() = default;

    // Detaches any kernel driver from interface 0 and claims it.
    virtual UsbStatus claimInterface0() = 0;

    // One control transfer on endpoint 0. requestType's bit 7 gives the
    // direction; data is sent (OUT) or filled (IN).
    virtual UsbTransferResult control(uint8_t requestType, uint8_t request, uint16_t value,
                                      uint16_t index, std::span<uint8_t> data,
                                      std::chrono::milliseconds timeout) = 0;
};

struct UsbOpenResult {
    UsbStatus status = UsbStatus::NotFound;
    std::unique_ptr<UsbDevice> device;  // set when status is Ok
};

struct UsbDeviceList {
    UsbStatus status = UsbStatus::Ok;  // Unavailable when the bus cannot be read
    std::vector<UsbDeviceInfo> devices;
};

// The bus and a clock: the loader's only way to the outside world, so the
// real libusb link and a scripted fake board are interchangeable.
class UsbTransport {
  public:
    using Clock = std::chrono::steady_clock;

    virtual ~UsbTransport() = default;

    virtual UsbDeviceList listDevices() = 0;
    // Opens the device at info's bus and address.
    virtual UsbOpenResult open(const UsbDeviceInfo& info) = 0;
    // Fills info.serial from the device's serial number string, where it
    // reports one and may be opened; leaves it as it is otherwise.
    virtual void readSerial(UsbDeviceInfo& /*info*/) {}
    virtual Clock::time_point now() = 0;
    virtual void sleep(std::chrono::milliseconds duration) = 0;
};

}  // namespace kteval
