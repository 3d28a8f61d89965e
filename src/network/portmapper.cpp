#include "portmapper.h"

#include <netinet/in.h>
#include <rpc/pmap_clnt.h>
#include <rpc/rpc.h>

#include "vxi11_core.h"

namespace kteval::network {

PortmapperEntry::PortmapperEntry(uint16_t port) {
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
    pmap_unset(Vxi11Core::kProgram, Vxi11Core::kVersion);
    state_ = set() ? State::Registered : State::Refused;
}

PortmapperEntry::~PortmapperEntry() {
    if (state_ == State::Registered) pmap_unset(Vxi11Core::kProgram, Vxi11Core::kVersion);
}

}  // namespace kteval::network
