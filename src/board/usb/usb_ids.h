#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kteval {

// A USB vendor/product ID pair.
struct UsbId {
    uint16_t vendor = 0;
    uint16_t product = 0;
    bool operator==(const UsbId&) const = default;
};

// The ID an unprogrammed EZ-USB chip shows before firmware is loaded.
inline constexpr UsbId kEzUsbLoaderId{0x04B4, 0x8613};

// "04b4:8613" (lower-case hexadecimal, four digits each).
std::string toString(UsbId id);

struct UsbIdList {
    std::vector<UsbId> ids;            // in the order given, without repeats
    std::optional<std::string> error;  // names the entry that could not be read
    bool ok() const { return !error.has_value(); }
};

// Reads a list such as "04b4:1004, 1234:abcd": entries separated by commas,
// each vendor:product in 1-4 hexadecimal digits, blanks around entries
// allowed. An empty or blank text is an empty list.
UsbIdList parseUsbIds(std::string_view text);

// The value of the environment variable KTEVAL_USB_IDS, empty when unset.
std::string usbIdsFromEnvironment();

}  // namespace kteval
