#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kteval::remote {
class Operations;
}

namespace kteval::network {

// The ports a network client may use; each is set only while its server runs.
struct NetworkPorts {
    std::optional<uint16_t> rawPort;    // the raw SCPI socket (--listen)
    std::optional<uint16_t> vxi11Port;  // the VXI-11 core channel
    std::optional<uint16_t> webPort;    // the web page (--web)
};

// What the network is told about this instrument: *IDN?'s four fields, the
// host a client reaches it by, and its ports.
struct NetworkIdentity {
    std::string manufacturer;
    std::string model;     // the part
    std::string serial;    // the board's name
    std::string firmware;  // the program's version
    std::string host;      // an address or a name; an IPv6 address without brackets
    NetworkPorts ports;
};

// The identity *IDN? gives now, at host with ports.
NetworkIdentity identityOf(const remote::Operations& ops, std::string host,
                           const NetworkPorts& ports);

// The VISA resource strings a client opens: TCPIP::HOST::INSTR while VXI-11
// runs, then TCPIP::HOST::PORT::SOCKET for the raw socket.
std::vector<std::string> resourceStrings(const NetworkIdentity& identity);

// One client connected to one of the servers.
struct ClientEntry {
    std::string protocol;  // "socket", "VXI-11"
    std::string peer;      // "192.168.1.20:40112"
};

}  // namespace kteval::network
