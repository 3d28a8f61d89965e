#pragma once

#include <string>
#include <string_view>

#include "network_identity.h"

namespace kteval::network {

// The network interface a client reached the instrument on, as far as it is
// known; empty fields are left out of the document.
struct InterfaceDetails {
    std::string name;        // "eth0"
    std::string ipAddress;   // the interface's address ("192.168.1.5", "fe80::1")
    std::string subnetMask;  // "255.255.255.0"; IPv4 only
    std::string macAddress;  // "08:00:27:87:BE:D5"
    std::string hostname;    // the machine's name
};

// The namespace of the LXI identification document, as instruments serve it.
inline constexpr std::string_view kLxiIdentificationNamespace =
    "http://www.lxistandard.org/InstrumentIdentification/1.0";

// The LXI identification document (/lxi/identification): Manufacturer,
// Model, SerialNumber and FirmwareRevision as *IDN? gives them, the URL of
// the document itself, one Interface of type LXI with the VISA resource
// strings of the running servers, and the LXI version whose discovery and
// identification it follows.
std::string identificationXml(const NetworkIdentity& identity, const InterfaceDetails& where);

// text with &, <, >, " and ' as XML character references.
std::string xmlEscaped(std::string_view text);

}  // namespace kteval::network
