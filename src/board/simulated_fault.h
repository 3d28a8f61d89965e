#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kteval {

// A failure of the board link the simulated board acts out, so that scripts
// and the window's boxes can be tried without a board. Calls (firmware loads
// and vendor requests together, in the order of the request trace) are
// counted from 1; from call fromCall on the fault holds for the rest of the
// run, with the result codes of the libusb link:
//   Unplugged:   requests -24 (board disconnected), loads -1 (no board found);
//   Timeout:     requests -22 (no answer within 1 s), loads succeed;
//   LoadRefused: loads -8 (transfer failed while loading), and every request
//                after such a load -20 (no firmware running).
// A request that fails changes nothing on the board.
struct SimulatedFault {
    enum class Kind { Unplugged, Timeout, LoadRefused };
    Kind kind = Kind::Unplugged;
    int fromCall = 1;

    bool operator==(const SimulatedFault&) const = default;
};

struct SimulatedFaultSetting {
    std::optional<SimulatedFault> fault;  // none for an empty text
    std::optional<std::string> error;     // why the text was refused
};

// The environment variable that names a fault for --simulate.
inline constexpr const char* kSimulatedFaultVariable = "KTEVAL_SIMULATE_FAULT";

// Reads "KIND@N": KIND is unplugged, timeout or loadfail, N a decimal call
// number from 1. An empty text is no fault.
SimulatedFaultSetting parseSimulatedFault(std::string_view text);

}  // namespace kteval
