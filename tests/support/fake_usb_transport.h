#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "usb_transport.h"

namespace kteval {

class FakeUsbTransport;

// What a fake board does when its CPU is released.
struct FakeReenumeration {
    enum class Kind { NewAddress, Stay };  // returns at a new address, or runs where it is
    Kind kind = Kind::NewAddress;
    std::chrono::milliseconds delay{800};
    std::optional<UsbId> newId;  // the firmware's own ID, if it has one
    // How long the old device still seems present after release (late disconnect).
    std::chrono::milliseconds dropAfter{0};
    std::string serial{};  // the firmware's serial number, if it reports one
};

// One control transfer as the fake bus saw it.
struct FakeTransfer {
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    std::size_t length = 0;
    std::chrono::milliseconds timeout{0};
    std::vector<uint8_t> outData;  // bytes sent by the host (OUT transfers)
};

// An EZ-USB chip: RAM at 0x0000-0x3FFF and 0xE000-0xE1FF and CPUCS at 0xE600
// behind vendor request 0xA0; once released, a firmware that accepts every
// other vendor request. The public fields script faults, used up one at a time.
class FakeEzUsbBoard {
  public:
    FakeEzUsbBoard(FakeUsbTransport& bus, UsbDeviceInfo info)
        : bus_(bus), info_(std::move(info)), loaderId_(info_.id) {}

    FakeReenumeration reenumeration;
    int deniedOpens = 0;                     // opens refused with AccessDenied
    int deniedFirmwareOpens = 0;             // the same, once the firmware runs (udev lag)
    int busyClaims = 0;                      // claims refused with Busy
    std::deque<UsbStatus> transferFaults;    // next transfers fail with these, no effect
    std::optional<UsbStatus> releaseFault;   // the release write reports this yet works
    std::optional<uint32_t> corruptAddress;  // RAM reads of this byte come back inverted
    std::vector<uint8_t> reply{0x00};        // firmware's IN data, repeated to length
    std::optional<std::size_t> replyLimit;   // firmware answers IN with at most this

    void unplug();  // open handles fail with NoDevice
    void plugIn();  // powered up afresh: loader ID, RAM clear, a new address
    // Its CPU started now, as another program's load would: it re-enumerates
    // as reenumeration says.
    void startFirmware() { release(); }

    const UsbDeviceInfo& info() const { return info_; }
    bool present() const { return present_; }
    bool cpuHeld() const { return cpuHeld_; }
    bool firmwareRunning() const { return firmwareRunning_; }
    int ramWritesWhileRunning() const { return writesWhileRunning_; }
    // Requests handled by the running firmware (everything but 0xA0).
    const std::vector<FakeTransfer>& firmwareRequests() const { return firmwareRequests_; }

    // Used by the fake transport.
    void update();  // drops or brings back a re-enumerating board on time
    unsigned epoch() const { return epoch_; }
    UsbStatus admitOpen();
    UsbStatus claim(unsigned epoch);
    UsbTransferResult control(unsigned epoch, const FakeTransfer& t, std::span<uint8_t> data);

  private:
    UsbTransferResult loaderRequest(const FakeTransfer& t, std::span<uint8_t> data);
    void release();

    FakeUsbTransport& bus_;
    UsbDeviceInfo info_;
    UsbId loaderId_;
    bool present_ = true;
    unsigned epoch_ = 0;
    bool cpuHeld_ = false;
    bool firmwareRunning_ = false;
    std::optional<UsbTransport::Clock::time_point> dropAt_, returnAt_;
    std::vector<uint8_t> ram_ = std::vector<uint8_t>(0x10000);  // indexed by address
    int writesWhileRunning_ = 0;
    std::vector<FakeTransfer> firmwareRequests_;
};

// A bus of fake boards whose sleep() only advances a fake clock, so multi-second
// waits run instantly. Handles it gives out must not outlive it.
class FakeUsbTransport : public UsbTransport {
  public:
    FakeEzUsbBoard& addBoard(UsbDeviceInfo info);  // any ID: a board or another device
    // An unprogrammed loader on bus 1 at port, with the next free address.
    FakeEzUsbBoard& addLoader(std::vector<uint8_t> portPath = {1});

    bool unavailable = false;  // listDevices() and open() report Unavailable
    Clock::time_point clock{};
    uint8_t nextAddress = 20;  // given to the next (re)appearing device

    int openCalls() const { return openCalls_; }
    const std::vector<FakeTransfer>& transfers() const { return transfers_; }
    std::size_t traffic() const { return std::size_t(listCalls_ + openCalls_) + transfers_.size(); }
    std::chrono::milliseconds elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock - Clock::time_point{});
    }

    // Lists devices without their serials, as libusb does; readSerial gives
    // the board's.
    UsbDeviceList listDevices() override;
    UsbOpenResult open(const UsbDeviceInfo& info) override;
    void readSerial(UsbDeviceInfo& info) override;
    Clock::time_point now() override { return clock; }
    void sleep(std::chrono::milliseconds duration) override { clock += duration; }

    UsbTransferResult control(FakeEzUsbBoard& board, unsigned epoch, FakeTransfer transfer,
                              std::span<uint8_t> data);

  private:
    std::vector<std::unique_ptr<FakeEzUsbBoard>> boards_;
    int listCalls_ = 0;
    int openCalls_ = 0;
    std::vector<FakeTransfer> transfers_;
};

}  // namespace kteval
