#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "network_identity.h"

namespace kteval::remote {
class Operations;
}

namespace kteval::network {

// One channel as the window shows it.
struct ChannelStatus {
    int number = 0;  // as the captions show it
    int32_t x1a = 0, x1b = 0, m = 0, c = 0;
    char mux = 'A';             // the input register the DAC register takes: A (X2A) or B (X2B)
    int32_t effective = 0;      // X2A or X2B, as mux chooses
    std::string effectiveText;  // as the window's X2A/X2B label shows it (4 hex digits)
    std::string volts;          // the "Output Voltages" tab's text, without "Vout<n>=" and "V"
};

// What the status page shows; read from the window's state, nothing sent.
struct StatusReport {
    NetworkIdentity identity;  // *IDN?'s fields; host and ports as served
    bool simulated = false;
    std::string caption;                  // the main window's title
    int bits = 0;                         // the part's code width (14 or 16)
    std::vector<ClientEntry> clients;     // connected clients of every server
    std::vector<ChannelStatus> channels;  // every channel the part has, by number
};

// The report of ops now: every channel of the chosen part (none before one is
// chosen).
StatusReport statusReport(remote::Operations& ops, NetworkIdentity identity,
                          std::vector<ClientEntry> clients);

// The report as JSON (/status.json): integers in decimal, volts as the
// window's text, '.' as the decimal separator whatever the locale.
std::string statusJson(const StatusReport& report);

// text as the inside of a JSON string.
std::string jsonEscaped(const std::string& text);

}  // namespace kteval::network
