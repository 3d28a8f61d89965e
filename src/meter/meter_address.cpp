#include "meter_address.h"

#include <charconv>

namespace kteval::meter {

std::string MeterAddress::text() const {
    switch (kind) {
        case Kind::Tcp: {
            const bool v6 = host.find(':') != std::string::npos;
            return "tcp:" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
        }
        case Kind::Usbtmc:
            return "usbtmc:" + device;
        case Kind::Simulated:
            break;
    }
    return "simulated";
}

std::optional<MeterAddress> parseMeterAddress(std::string_view text, std::string& error) {
    MeterAddress address;
    if (text == "simulated") return address;
    if (text.starts_with("usbtmc:")) {
        address.kind = MeterAddress::Kind::Usbtmc;
        address.device = text.substr(7);
        if (address.device.empty()) {
            error = "usbtmc: wants a device node, as in usbtmc:/dev/usbtmc0";
            return std::nullopt;
        }
        return address;
    }
    if (!text.starts_with("tcp:")) {
        error = "a meter address is tcp:HOST[:PORT], usbtmc:/dev/usbtmcN or simulated";
        return std::nullopt;
    }
    address.kind = MeterAddress::Kind::Tcp;
    std::string_view rest = text.substr(4);
    std::string_view port;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            error = "an IPv6 address in brackets lacks its ']'";
            return std::nullopt;
        }
        address.host = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        if (rest.starts_with(':'))
            port = rest.substr(1);
        else if (!rest.empty())
            address.host.clear();
    } else {
        const std::size_t colon = rest.rfind(':');
        address.host = rest.substr(0, colon);
        if (colon != std::string_view::npos) port = rest.substr(colon + 1);
    }
    if (address.host.empty()) {
        error = "tcp: wants a host, as in tcp:192.168.1.7 or tcp:dmm.lab:5025";
        return std::nullopt;
    }
    if (!port.empty() || text.ends_with(':')) {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (ec != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535) {
            error = "the port is a number from 1 to 65535, not '" + std::string(port) + "'";
            return std::nullopt;
        }
        address.port = static_cast<uint16_t>(value);
    }
    return address;
}

}  // namespace kteval::meter
