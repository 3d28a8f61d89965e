#pragma once

// An EZ-USB evaluation board emulated below the real libusb: a umockdev
// testbed holds its sysfs record and its usbfs node, and an ioctl handler
// answers what libusb sends to that node (claims, driver queries, control
// URBs). The programs under test run unchanged under umockdev-wrapper.
//
// The board: program RAM 0x0000-0x3FFF and 0xE000-0xE1FF plus CPUCS at
// 0xE600, all behind vendor request 0xA0 (OUT writes, IN reads back) at any
// time. Releasing the CPU (CPUCS = 0) starts the firmware; as scripted in
// EmulatedReenumeration the board then drops off the bus and comes back at a
// new address on the same port under the firmware's own ID, or stays. The
// running firmware hands every other vendor request to a SimulatedBoard.
//
// The handler runs on umockdev's thread and timed bus changes on a thread of
// this class; every accessor takes the lock and returns a copy.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "simulated_board.h"
#include "usb_ids.h"

namespace kteval::emulation {

// What the board does once its CPU is released.
struct EmulatedReenumeration {
    // Time from the release to leaving the bus; nullopt: the firmware runs on
    // the loader's device and never re-enumerates.
    std::optional<std::chrono::milliseconds> dropAfter{std::chrono::milliseconds(100)};
    // Time from leaving to coming back; nullopt: it never comes back.
    std::optional<std::chrono::milliseconds> returnAfter{std::chrono::milliseconds(200)};
    UsbId firmwareId{0x04B4, 0x4421};
    // How the host sees the CPUCS release transfer end: 0, or an URB status
    // such as -EPROTO or -ESHUTDOWN when the board drops off the bus before
    // the status stage.
    int releaseUrbStatus = 0;
};

// One request the running firmware received (anything but 0xA0).
struct FirmwareRequest {
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    bool in = false;
    uint16_t length = 0;
    bool operator==(const FirmwareRequest&) const = default;
};

// Where the board is on the emulated bus now: its ID, none when it is off the bus.
struct EmulatedPresence {
    UsbId id;
};

class EmulatedEzUsbBoard {
  public:
    static constexpr uint8_t kBus = 1;
    static constexpr uint8_t kPort = 2;  // the board's port on the root hub
    static constexpr uint32_t kMainRamSize = 0x4000;
    static constexpr uint32_t kScratchRamStart = 0xE000;
    static constexpr uint32_t kScratchRamSize = 0x0200;
    static constexpr uint32_t kCpucs = 0xE600;

    // An unprogrammed board (loader ID 04b4:8613, RAM holding noise) on port
    // kPort, behind a root hub. Construct it before any libusb context.
    EmulatedEzUsbBoard();
    ~EmulatedEzUsbBoard();
    EmulatedEzUsbBoard(const EmulatedEzUsbBoard&) = delete;
    EmulatedEzUsbBoard& operator=(const EmulatedEzUsbBoard&) = delete;

    // --- script ---
    void setReenumeration(const EmulatedReenumeration& plan);
    // Removes the board from the bus; open handles fail with ENODEV.
    void unplug();
    // Plugs it in again powered up afresh: loader ID, no firmware running,
    // RAM noise, a fresh chip, a new address on the same port.
    void plugIn();
    // Plugs it in (or re-plugs it) already running its firmware under
    // firmwareId, as left by an earlier session: no re-enumeration happens.
    void plugInRunningFirmware(UsbId firmwareId);
    // While hung, the firmware leaves every request but 0xA0 unanswered: the
    // host's URB stays pending until it is cancelled.
    void setHung(bool hung);

    // --- state (copies) ---
    EmulatedPresence presence() const;
    std::vector<uint8_t> ram(uint32_t address, std::size_t length) const;
    bool cpuHeld() const { return locked(&Self::cpuHeld_); }
    ChipState chip() const;
    int startRequests() const;
    std::vector<FirmwareRequest> firmwareRequests() const { return locked(&Self::requests_); }
    // Claims of a device that had already been told to start its firmware
    // and is about to leave the bus: a loader must never use it.
    int claimsOfLeavingDevice() const { return locked(&Self::claimsOfLeavingDevice_); }
    int cpuReleases() const { return locked(&Self::cpuReleases_); }
    // RAM writes (0xA0) while the CPU was running.
    int ramWritesWhileRunning() const { return locked(&Self::ramWritesWhileRunning_); }
    // URBs the host cancelled (DISCARDURB) after they were left unanswered.
    int cancelledUrbs() const { return locked(&Self::cancelledUrbs_); }

  private:
    using Self = EmulatedEzUsbBoard;
    struct Appearance;
    struct TimedChange {
        std::chrono::steady_clock::time_point at;
        std::function<void()> change;
    };

    struct Glue;

    // On umockdev's thread; client is a UMockdevIoctlClient. It locks mutex_.
    bool handleIoctl(Appearance& appearance, void* client);
    // Answers one control URB whose buffer (setup packet, then data) is at
    // setup; returns the URB status (0 or a negative errno).
    int control(Appearance& appearance, uint8_t* setup, std::size_t bufferLength,
                int& actualLength);
    int loaderRequest(bool in, uint16_t address, uint8_t* data, uint16_t length);
    static bool inRam(uint32_t at) {
        return at < kMainRamSize ||
               (at >= kScratchRamStart && at < kScratchRamStart + kScratchRamSize);
    }
    template <typename T>
    T locked(T EmulatedEzUsbBoard::*member) const {
        std::lock_guard lock(mutex_);
        return this->*member;
    }
    void releaseCpu();

    // Bus changes: called without mutex_ held.
    void appear(UsbId id, bool firmwareRunning);
    void disappear();
    // Called with mutex_ held.
    void schedule(std::chrono::milliseconds after, std::function<void()> change);
    void runScheduler();
    void powerUp();

    void* testbed_ = nullptr;  // UMockdevTestbed*
    std::mutex busMutex_;      // serialises testbed changes
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::unique_ptr<Appearance>> appearances_;  // every one so far
    Appearance* current_ = nullptr;                         // on the bus, or null
    uint8_t nextAddress_ = 2;

    EmulatedReenumeration plan_;
    std::vector<uint8_t> ram_ = std::vector<uint8_t>(0x10000);  // indexed by address
    bool cpuHeld_ = false;
    bool firmwareRunning_ = false;
    bool leaving_ = false;  // released, about to drop off the bus
    SimulatedBoard chip_;
    std::vector<FirmwareRequest> requests_;
    int claimsOfLeavingDevice_ = 0;
    int cpuReleases_ = 0;
    int ramWritesWhileRunning_ = 0;
    bool hung_ = false;
    int cancelledUrbs_ = 0;
    uint32_t noiseSeed_ = 0x4421;

    std::deque<TimedChange> changes_;
    bool stopping_ = false;
    std::thread scheduler_;
};

}  // namespace kteval::emulation
