#include "portmapper.h"

#include <netinet/in.h>
#include <rpc/pmap_clnt.h>
#include <rpc/rpc.h>

#include "rpc_message.h"
#include "vxi11_core.h"

namespace kteval::network {

namespace {

sockaddr_in ipv4(uint32_t address, uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_addr.s_addr = address;
    result.sin_port = htons(port);
    return result;
}

// Whether a VXI-11 core channel at this address answers the null procedure.
bool coreChannelAnswers(uint32_t address, uint16_t port) {
    sockaddr_in where = ipv4(address, port);
    int socket = RPC_ANYSOCK;
    CLIENT* client =
        clnttcp_create(&where, Vxi11Core::kProgram, Vxi11Core::kVersion, &socket, 0, 0);
    if (client == nullptr) return false;
    timeval timeout{1, 0};
    const bool answers = clnt_call(client, NULLPROC, xdrRoutine(xdr_void), nullptr,
                                   xdrRoutine(xdr_void), nullptr, timeout) == RPC_SUCCESS;
    clnt_destroy(client);  // closes the socket it made
    return answers;
}

// The port the portmapper gives for the core channel; 0 when it has none.
uint16_t registeredPort() {
    sockaddr_in portmapper = ipv4(htonl(INADDR_LOOPBACK), 0);
    return pmap_getport(&portmapper, Vxi11Core::kProgram, Vxi11Core::kVersion, IPPROTO_TCP);
}

}  // namespace

PortmapperEntry::PortmapperEntry(uint16_t port, uint32_t listenAddress) : port_(port) {
    const auto set = [port] {
        return pmap_set(Vxi11Core::kProgram, Vxi11Core::kVersion, IPPROTO_TCP, port) != 0;
    };
    if (set()) {
        state_ = State::Registered;
        return;
    }
    // The library leaves a system error when nothing answers on rpcbind's
    // socket; any other failure is rpcbind's refusal.
    if (rpc_createerr.cf_stat == RPC_SYSTEMERROR) {
        state_ = State::NoPortmapper;
        return;
    }
    const uint16_t other = registeredPort();
    if (other != 0 && other != port &&
        (coreChannelAnswers(htonl(INADDR_LOOPBACK), other) ||
         (listenAddress != 0 && coreChannelAnswers(listenAddress, other)))) {
        state_ = State::HeldByAnother;
        otherPort_ = other;
        return;
    }
    pmap_unset(Vxi11Core::kProgram, Vxi11Core::kVersion);
    state_ = set() ? State::Registered : State::Refused;
}

PortmapperEntry::~PortmapperEntry() {
    if (state_ == State::Registered && registeredPort() == port_) {
        pmap_unset(Vxi11Core::kProgram, Vxi11Core::kVersion);
    }
}

}  // namespace kteval::network
