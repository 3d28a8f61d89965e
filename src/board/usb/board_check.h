#pragma once

#include <optional>
#include <string>
#include <vector>

#include "firmware_search.h"
#include "usb_ids.h"
#include "usb_transport.h"

namespace kteval {

// What `kteval --check` looks at.
struct BoardCheckSetup {
    FirmwarePlaces firmware;
    std::vector<UsbId> ids;                  // the IDs a load looks for
    std::optional<std::string> idListError;  // KTEVAL_USB_IDS that cannot be read
    std::vector<std::string> ruleDirectories;
    std::string board{};  // --board: the board that is to be ready; empty for the only one
};

struct BoardCheck {
    bool ready = false;  // the firmware is in place and one board can be opened
    std::string report;  // several lines, for a terminal
};

// A diagnosis without loading anything: the firmware file (found where, or
// where it was looked for, and whether it is valid), the boards on the bus
// with ID, bus, port path and device node and whether they can be opened,
// and whether the kteval udev rule is installed and covers their IDs.
BoardCheck checkBoard(UsbTransport& transport, const BoardCheckSetup& setup);

// The folders udev reads rules from, then the install prefix's
// lib/udev/rules.d (if it is not one of them).
std::vector<std::string> udevRuleDirectories(const std::string& installPrefix);

}  // namespace kteval
