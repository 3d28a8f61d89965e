#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kteval::meter {

inline constexpr uint16_t kDefaultScpiPort = 5025;

// Where the meter is: tcp:HOST[:PORT] (a raw SCPI socket; [v6 address] in
// brackets), usbtmc:/dev/usbtmcN or simulated.
struct MeterAddress {
    enum class Kind { Tcp, Usbtmc, Simulated };
    Kind kind = Kind::Simulated;
    std::string host;  // tcp
    uint16_t port = kDefaultScpiPort;
    std::string device;  // usbtmc

    // The address as the user writes it ("tcp:192.168.1.7:5025").
    std::string text() const;
};

// nullopt, with the reason in error, for a malformed address.
std::optional<MeterAddress> parseMeterAddress(std::string_view text, std::string& error);

}  // namespace kteval::meter
