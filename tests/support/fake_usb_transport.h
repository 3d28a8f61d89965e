#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "usb_transport.h"

namespace kteval {

// Time and address allocation shared by a fake bus and its boards.
struct FakeBusState {
    UsbTransport::Clock::time_point now{};  // advanced only by sleep() and timeouts
    uint8_t nextAddress = 20;               // address given to the next (re)appearing device
};

// What a fake board does when its CPU is released.
struct FakeReenumeration {
    enum class Kind {
        NewAddress,  // drops off the bus and returns after delay at a new address
        Stay,        // firmware runs on the same device; nothing re-enumerates
    };
    Kind kind = Kind::NewAddress;
    std::chrono::milliseconds delay{800};
    std::optional<UsbId> newId;  // the firmware's own ID, if it has one
    // NewAddress: how long the old device still seems present after release
    // (the host notices the disconnect late).
    std::chrono::milliseconds dropAfter{0};
};

// One control transfer as the fake bus saw it.
struct FakeTransfer {
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    std::size_t length = 0;
    std::vector<uint8_t> outData;  // bytes sent by the host (OUT transfers)
    std::chrono::milliseconds timeout{0};
};

// An EZ-USB chip: RAM at 0x0000-0x3FFF and 0xE000-0xE1FF, the CPUCS
// register at 0xE600 reached through vendor request 0xA0, and, once
// released, a firmware that accepts every other vendor request. The public
// fields script its faults; each count is used up one event at a time.
class FakeEzUsbBoard {
  public:
    FakeEzUsbBoard(FakeBusState& bus, UsbDeviceInfo info);

    // --- script ---
    FakeReenumeration reenumeration;
    int deniedOpens = 0;                     // opens refused with AccessDenied
    int deniedFirmwareOpens = 0;             // the same, once the firmware runs (udev lag)
    int busyClaims = 0;                      // claims refused with Busy
    std::deque<UsbStatus> transferFaults;    // next transfers fail with these, no effect
    std::optional<UsbStatus> releaseFault;   // the release write reports this yet works
    std::optional<uint32_t> corruptAddress;  // RAM reads of this byte come back inverted
    std::vector<uint8_t> reply{0x00};        // firmware's IN data, repeated to length
    std::optional<std::size_t> replyLimit;   // firmware answers IN with at most this

    // Removes the board from the bus; open handles fail with NoDevice.
    void unplug();
    // Plugs it in again, powered up afresh: loader ID, CPU running, RAM clear,
    // a new address on the same port.
    void plugIn();

    // --- state ---
    const UsbDeviceInfo& info() const { return info_; }
    bool present() const { return present_; }
    bool cpuHeld() const { return cpuHeld_; }
    bool firmwareRunning() const { return firmwareRunning_; }
    int ramWritesWhileRunning() const { return writesWhileRunning_; }
    // Requests handled by the running firmware (everything but 0xA0).
    const std::vector<FakeTransfer>& firmwareRequests() const { return firmwareRequests_; }

    // --- used by the fake transport ---
    void update();  // brings a re-enumerating board back once its delay is over
    unsigned epoch() const { return epoch_; }
    UsbStatus admitOpen();  // uses up deniedOpens / deniedFirmwareOpens
    UsbStatus claim(unsigned epoch);
    UsbTransferResult control(unsigned epoch, FakeTransfer& transfer, std::span<uint8_t> data);

  private:
    uint8_t* cell(uint32_t address);
    UsbTransferResult loaderRequest(FakeTransfer& transfer, std::span<uint8_t> data);
    UsbTransferResult firmwareRequest(const FakeTransfer& transfer, std::span<uint8_t> data);
    void release();

    FakeBusState& bus_;
    UsbDeviceInfo info_;
    UsbId loaderId_;
    bool present_ = true;
    unsigned epoch_ = 0;
    bool cpuHeld_ = false;
    bool firmwareRunning_ = false;
    std::optional<UsbTransport::Clock::time_point> dropAt_;
    std::optional<UsbTransport::Clock::time_point> returnAt_;
    std::array<uint8_t, 0x4000> mainRam_{};
    std::array<uint8_t, 0x0200> scratchRam_{};
    int writesWhileRunning_ = 0;
    std::vector<FakeTransfer> firmwareRequests_;
};

// A bus of fake boards with a clock whose sleep() only advances time, so
// tests of multi-second waits run instantly. Handles it gives out must not
// outlive it.
class FakeUsbTransport : public UsbTransport {
  public:
    FakeUsbTransport() = default;

    // Adds a device; any ID may be used (a board, or some other device).
    FakeEzUsbBoard& addBoard(UsbDeviceInfo info);
    // An unprogrammed loader on bus 1 at port, with the next free address.
    FakeEzUsbBoard& addLoader(std::vector<uint8_t> portPath = {1});

    // Makes listDevices() and open() report UsbStatus::Unavailable.
    bool unavailable = false;

    // Every bus operation so far.
    int listCalls() const { return listCalls_; }
    int openCalls() const { return openCalls_; }
    const std::vector<FakeTransfer>& transfers() const { return transfers_; }
    std::size_t traffic() const {
        return static_cast<std::size_t>(listCalls_ + openCalls_) + transfers_.size();
    }
    std::chrono::milliseconds elapsed() const;

    UsbDeviceList listDevices() override;
    UsbOpenResult open(const UsbDeviceInfo& info) override;
    Clock::time_point now() override { return bus_.now; }
    void sleep(std::chrono::milliseconds duration) override { bus_.now += duration; }

    // Used by the fake device handles.
    UsbTransferResult control(FakeEzUsbBoard& board, unsigned epoch, FakeTransfer transfer,
                              std::span<uint8_t> data);

  private:
    FakeBusState bus_;
    std::vector<std::unique_ptr<FakeEzUsbBoard>> boards_;
    int listCalls_ = 0;
    int openCalls_ = 0;
    std::vector<FakeTransfer> transfers_;
};

}  // namespace kteval
