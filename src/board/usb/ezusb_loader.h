#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "intel_hex.h"
#include "usb_ids.h"
#include "usb_transport.h"

namespace kteval {

struct BoardSearch {
    int16_t code = 0;     // 0, or usbresult::kNoBoard / kSeveralBoards / kUsbUnavailable
    std::string message;  // names the IDs looked for, or every candidate found
    UsbDeviceInfo board;  // the one board when code is 0
    std::vector<UsbDeviceInfo> found;  // every device with a candidate ID
};

// Which board a load is for when several are on the bus.
struct BoardChoice {
    std::string id;    // --board: a serial or a port ("1-4.2"); empty for any single board
    std::string port;  // the port of the board id named last time, taken when id is not found
};

struct LoadOutcome {
    int16_t code = 0;                     // 0 or a negative usbresult code
    std::string message;                  // what went wrong, for the operator
    std::unique_ptr<UsbDevice> firmware;  // the running firmware, interface 0 claimed
    UsbDeviceInfo firmwareInfo;
    std::vector<UsbDeviceInfo> devices;  // the devices a failure concerns
};

// Loads a RAM image into an EZ-USB chip through its built-in loader (vendor
// request 0xA0) and opens the firmware it starts:
//   find the one board -> open, claim interface 0 -> hold the CPU (CPUCS = 1)
//   -> write the image in chunks -> read every chunk back and compare
//   -> release the CPU (CPUCS = 0) -> wait for the device to re-enumerate on
//   the same port -> open and claim the firmware.
// The loader's own device is never opened again after the release: it is
// about to leave the bus, however long it takes to do so.
class EzUsbLoader {
  public:
    static constexpr std::chrono::milliseconds kTransferTimeout{1000};
    static constexpr std::size_t kChunkSize = 1024;
    static constexpr std::chrono::milliseconds kPollInterval{50};
    static constexpr std::chrono::milliseconds kReenumerationLimit{5000};
    static constexpr uint8_t kLoadRequest = 0xA0;
    static constexpr uint32_t kCpucsAddress = 0xE600;

    explicit EzUsbLoader(UsbTransport& transport) : transport_(transport) {}

    // Looks for exactly one device whose ID is among candidates, or for the
    // one choice names among them.
    BoardSearch findBoard(std::span<const UsbId> candidates, const BoardChoice& choice = {});

    // The load, on a board findBoard has chosen.
    LoadOutcome load(std::span<const HexSegment> image, const UsbDeviceInfo& board,
                     std::span<const UsbId> knownIds);

  private:
    struct Opened {
        UsbStatus status = UsbStatus::NotFound;
        std::unique_ptr<UsbDevice> device;
    };
    Opened openAndClaim(const UsbDeviceInfo& info);
    UsbTransferResult ramTransfer(UsbDevice& device, bool in, uint32_t address,
                                  std::span<uint8_t> data);
    LoadOutcome writeImage(UsbDevice& device, std::span<const HexSegment> image);
    LoadOutcome verifyImage(UsbDevice& device, std::span<const HexSegment> image);
    LoadOutcome waitForFirmware(const UsbDeviceInfo& loader, std::span<const UsbId> knownIds,
                                UsbTransport::Clock::time_point released);

    UsbTransport& transport_;
};

}  // namespace kteval
