#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "usb_functions.h"
#include "usb_ids.h"
#include "usb_result.h"
#include "usb_transport.h"

namespace kteval {

// The board's USB library over a UsbTransport: LoadFirmWare loads an Intel
// HEX image into the EZ-USB chip and opens the firmware it starts;
// VendorIORequest carries one vendor request to that firmware. Results are
// the codes of usb_result.h. After the board is unplugged every request
// fails at once with kDeviceGone until the next LoadFirmWare finds it again.
class LibusbBoard : public USBFunctions {
  public:
    static constexpr int kMaxRequestLength = 4096;                  // Linux's limit
    static constexpr std::size_t kMaxFirmwareFileSize = 16u << 20;  // far above any image

    // usbIds: extra board IDs as in KTEVAL_USB_IDS ("vvvv:pppp,..."), looked
    // for besides the unprogrammed loader 04b4:8613.
    explicit LibusbBoard(UsbTransport& transport, std::string_view usbIds = {});

    int16_t LoadFirmWare(const uint8_t* path) override;
    int16_t VendorIORequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t* buffer) override;

    // Why the last failing call failed (names the file line, the devices
    // found, ...); empty after a success.
    const std::string& lastError() const { return lastError_; }
    bool isOpen() const { return firmware_ != nullptr; }
    // The IDs a load looks for, in order.
    std::vector<UsbId> candidateIds() const;

  private:
    int16_t fail(int16_t code, std::string message);
    int16_t loadFile(const std::string& path);

    UsbTransport& transport_;
    UsbIdList extraIds_;
    std::optional<UsbId> firmwareId_;  // the ID the firmware showed last time
    std::unique_ptr<UsbDevice> firmware_;
    bool gone_ = false;
    std::string lastError_;
};

}  // namespace kteval
