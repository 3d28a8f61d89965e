#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "firmware_search.h"
#include "usb_ids.h"
#include "usb_transport.h"

namespace kteval {

class LibusbBoard;

// What is known about a failed firmware load.
struct LoadFailureContext {
    FirmwareChoice firmware;             // the file used and every place looked in
    std::string linkMessage;             // the link's own words, if it has any
    std::vector<UsbDeviceInfo> devices;  // the devices the failure concerns
    std::vector<UsbId> lookedFor;        // the board IDs looked for
};

// The detailed text of "No Evaluation Board Found" for a load result: the
// cause in plain words, then what to do.
std::string loadFailureDetails(int16_t code, const LoadFailureContext& context);

// The same, with the context taken from link (nullptr: a board that has
// none to give, such as the simulated one).
std::string loadFailureDetails(int16_t code, const FirmwareChoice& firmware,
                               const LibusbBoard* link);

// The udev rule line that lets the logged-in user open a device with id.
std::string udevRuleLine(UsbId id);

// Where the kteval rule goes, and the commands that make udev apply it.
inline constexpr const char* kUdevRuleFile = "/etc/udev/rules.d/60-kteval.rules";
inline constexpr const char* kUdevReloadCommand =
    "sudo udevadm control --reload-rules && sudo udevadm trigger";

}  // namespace kteval
