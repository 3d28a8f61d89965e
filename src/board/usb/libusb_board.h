#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ezusb_loader.h"
#include "intel_hex.h"
#include "usb_functions.h"
#include "usb_id_cache.h"
#include "usb_ids.h"
#include "usb_result.h"
#include "usb_transport.h"

namespace kteval {

// A firmware file read and checked: valid Intel HEX, not empty, every byte
// in the loader's RAM.
struct FirmwareFile {
    int16_t code = usbresult::kOk;  // or kFirmwareUnreadable, kHexFormat, kImageOutsideRam
    std::string message;            // what is wrong, naming the file (and line)
    std::vector<HexSegment> image;
    std::size_t bytes() const;
};
FirmwareFile readFirmwareFile(const std::string& path);

// The board's USB library over a UsbTransport: LoadFirmWare loads an Intel
// HEX image into the EZ-USB chip and opens the firmware it starts;
// VendorIORequest carries one vendor request to that firmware. Results are
// the codes of usb_result.h. After the board is unplugged every request
// fails at once with kDeviceGone until the next LoadFirmWare finds it again.
//
// A load first checks everything it can without touching the bus (the ID
// list, the firmware file, exactly one board); if that fails, the firmware
// already open stays open and requests still reach it.
class LibusbBoard : public USBFunctions {
  public:
    static constexpr int kMaxRequestLength = 4096;                  // Linux's limit
    static constexpr std::size_t kMaxFirmwareFileSize = 16u << 20;  // far above any image

    // usbIds: extra board IDs as in KTEVAL_USB_IDS ("vvvv:pppp,..."), looked
    // for besides the unprogrammed loader 04b4:8613. idCache: where the IDs
    // the firmware showed are remembered between runs (none by default).
    explicit LibusbBoard(UsbTransport& transport, std::string_view usbIds = {},
                         UsbIdCache idCache = UsbIdCache());

    // The board loads are for, by serial or port ("1-4.2"), as --board
    // names it; empty: the one board on the bus.
    void chooseBoard(std::string id);
    // The board in use: its serial, or its port when it reports none; before
    // a load, the board chosen (empty when none).
    const std::string& boardName() const { return name_; }

    int16_t LoadFirmWare(const uint8_t* path) override;
    int16_t VendorIORequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t* buffer) override;

    // Why the last failing call failed (names the file line, the devices
    // found, ...); empty after a success.
    const std::string& lastError() const { return lastError_; }
    // The devices the last failing load concerns: the boards found (several
    // boards), the device refused (access denied, busy), the loader that did
    // not re-enumerate.
    const std::vector<UsbDeviceInfo>& lastDevices() const { return lastDevices_; }
    bool isOpen() const { return firmware_ != nullptr; }
    // The IDs a load looks for, in order: the loader's, KTEVAL_USB_IDS, the
    // cached ones, the one the firmware showed in this session.
    std::vector<UsbId> candidateIds() const;
    // Whether KTEVAL_USB_IDS could be read, and if not why.
    const UsbIdList& extraIds() const { return extraIds_; }

  private:
    int16_t fail(int16_t code, std::string message, std::vector<UsbDeviceInfo> devices = {});
    int16_t loadFile(const std::string& path);

    UsbTransport& transport_;
    UsbIdList extraIds_;
    UsbIdCache idCache_;
    std::optional<UsbId> firmwareId_;  // the ID the firmware showed last time
    std::unique_ptr<UsbDevice> firmware_;
    BoardChoice choice_;  // the port is the last loaded board's: a reload takes it again
    std::string name_;
    bool gone_ = false;
    std::string lastError_;
    std::vector<UsbDeviceInfo> lastDevices_;
};

}  // namespace kteval
