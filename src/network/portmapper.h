#pragma once

#include <cstdint>

namespace kteval::network {

// The core channel's entry with the system's portmapper (rpcbind), through
// which clients find its port: made on construction, removed on destruction
// while it is still this program's.
//
// The portmapper holds one VXI-11 entry per computer. An entry left by an
// earlier run that ended without removing it is replaced; an entry whose
// port still answers as a VXI-11 core channel (another kteval on the same
// computer) is left alone.
class PortmapperEntry {
  public:
    enum class State { Registered, NoPortmapper, HeldByAnother, Refused };

    // Registers program 0x0607AF version 1 over TCP at port. The other
    // holder, if any, is looked for on loopback and at listenAddress (IPv4,
    // network byte order; 0 when listening on every address).
    PortmapperEntry(uint16_t port, uint32_t listenAddress);
    ~PortmapperEntry();
    PortmapperEntry(const PortmapperEntry&) = delete;
    PortmapperEntry& operator=(const PortmapperEntry&) = delete;

    State state() const { return state_; }
    // The port of the core channel that holds the entry when HeldByAnother.
    uint16_t otherPort() const { return otherPort_; }

  private:
    uint16_t port_;
    State state_ = State::Refused;
    uint16_t otherPort_ = 0;
};

}  // namespace kteval::network
