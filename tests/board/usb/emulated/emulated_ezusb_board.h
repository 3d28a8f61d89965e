#pragma once

// An EZ-USB board emulated below the real libusb: a umockdev testbed holds its
// sysfs record and usbfs node, and an ioctl handler answers claims, driver
// disconnects and control URBs. RAM 0x0000-0x3FFF and 0xE000-0xE1FF and CPUCS
// at 0xE600 sit behind request 0xA0; releasing the CPU drops the board off the
// bus after 0.1 s and brings it back 0.2 s later at a new address under
// kFirmwareId, where a SimulatedBoard takes every other request (a board
// placed with holdReturn stays off the bus until letReturn()). The handler
// runs on umockdev's thread; every accessor locks and copies.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "simulated_board.h"
#include "usb_ids.h"

namespace kteval::emulation {

// Where the board is on the emulated bus now: its ID, none when it is off the bus.
struct EmulatedPresence {
    UsbId id;
};

// Where a board sits on bus 1 and what its firmware reports.
struct EmulatedBoardPlace {
    uint8_t port = 2;
    uint8_t firstAddress = 2;  // addresses count up from here on each appearance
    std::string serial{};      // the firmware's serial number string; none when empty
    bool holdReturn = false;   // once off the bus after a release, back only at letReturn()
};

class EmulatedEzUsbBoard {
  public:
    static constexpr UsbId kFirmwareId{0x04B4, 0x4421};

    // An unprogrammed board (loader ID 04b4:8613) on port 2 of bus 1, behind
    // a root hub. Construct it before any libusb context.
    EmulatedEzUsbBoard() : EmulatedEzUsbBoard(EmulatedBoardPlace{}) {}
    explicit EmulatedEzUsbBoard(EmulatedBoardPlace place);
    // A further board on other's bus (destroy it first); place's port and
    // addresses must differ from other's.
    EmulatedEzUsbBoard(EmulatedEzUsbBoard& other, EmulatedBoardPlace place);
    ~EmulatedEzUsbBoard();
    EmulatedEzUsbBoard(const EmulatedEzUsbBoard&) = delete;
    EmulatedEzUsbBoard& operator=(const EmulatedEzUsbBoard&) = delete;

    // Removes the board from the bus; open handles fail with ENODEV.
    void unplug();
    // Plugs it in again powered up afresh: loader ID, RAM clear, a fresh
    // chip, a new address on the same port.
    void plugIn();
    // Plugs it in already running its firmware, as an earlier session left it.
    void plugInRunningFirmware();
    // Lets a board placed with holdReturn come back once its firmware starts
    // (at once if it is already waiting): boards let back together return at
    // the same moment.
    void letReturn();

    // --- state (copies) ---
    EmulatedPresence presence() const;
    std::vector<uint8_t> ram(uint32_t at, std::size_t n) const {
        return locked([&] { return std::vector<uint8_t>(&ram_[at], &ram_[at] + n); });
    }
    ChipState chip() const {
        return locked([this] { return chip_.state(); });
    }
    int startRequests() const {
        return locked([this] { return chip_.startRequests(); });
    }
    int cpuReleases() const {
        return locked([this] { return cpuReleases_; });
    }

    struct Appearance;  // one stay on the bus: its address, node and handler
    // On umockdev's thread, for the handler of a; client is a UMockdevIoctlClient.
    bool handleIoctl(Appearance& a, void* client);

  private:
    template <typename F>
    std::invoke_result_t<F> locked(F read) const {
        std::lock_guard lock(mutex_);
        return read();
    }
    int control(Appearance& a, uint8_t* setup, std::size_t bufferLength, int& actualLength);
    void releaseCpu();
    void appear(UsbId id, bool firmwareRunning);
    void disappear();

    std::string syspath() const;
    int stringDescriptor(uint16_t value, uint8_t* data, uint16_t length);

    EmulatedBoardPlace place_;
    bool ownsTestbed_ = true;
    void* testbed_ = nullptr;       // UMockdevTestbed*
    std::mutex busMutex_;           // serialises testbed changes of the boards on this bus
    std::mutex* bus_ = &busMutex_;  // the testbed owner's
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Appearance>> appearances_;  // every one so far
    Appearance* current_ = nullptr;                         // on the bus, or null
    uint8_t nextAddress_ = 2;
    unsigned plugging_ = 0;  // counts plug changes; a stale re-enumeration does nothing
    bool returnLet_ = false;
    std::condition_variable returnLetChanged_;
    std::vector<std::thread> reenumerations_;

    std::vector<uint8_t> ram_ = std::vector<uint8_t>(0x10000);  // indexed by address
    bool cpuHeld_ = false;
    bool firmwareRunning_ = false;
    bool leaving_ = false;  // released, about to drop off the bus
    SimulatedBoard chip_;
    int cpuReleases_ = 0;
};

}  // namespace kteval::emulation
