#include "network_identity.h"

#include <array>

#include "handlers.h"

namespace kteval::network {

NetworkIdentity identityOf(const remote::Operations& ops, std::string host,
                           const NetworkPorts& ports) {
    std::array<std::string, 4> fields = remote::identityFields(ops);
    return {std::move(fields[0]), std::move(fields[1]), std::move(fields[2]),
            std::move(fields[3]), std::move(host),      ports};
}

std::vector<std::string> resourceStrings(const NetworkIdentity& identity) {
    // VISA writes an IPv6 address in brackets.
    const std::string host =
        identity.host.find(':') == std::string::npos ? identity.host : '[' + identity.host + ']';
    std::vector<std::string> result;
    if (identity.ports.vxi11Port) result.push_back("TCPIP::" + host + "::INSTR");
    if (identity.ports.rawPort) {
        result.push_back("TCPIP::" + host + "::" + std::to_string(*identity.ports.rawPort) +
                         "::SOCKET");
    }
    return result;
}

}  // namespace kteval::network
