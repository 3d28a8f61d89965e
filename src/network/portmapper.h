#pragma once

#include <cstdint>

namespace kteval::network {

// The core channel's entry with the system's portmapper (rpcbind), through
// which clients find its port: made on construction, removed on destruction.
class PortmapperEntry {
  public:
    enum class State { Registered, NoPortmapper, Refused };

    // Registers program 0x0607AF version 1 over TCP at port. An entry left by
    // an earlier run that ended without removing it is replaced.
    explicit PortmapperEntry(uint16_t port);
    ~PortmapperEntry();
    PortmapperEntry(const PortmapperEntry&) = delete;
    PortmapperEntry& operator=(const PortmapperEntry&) = delete;

    State state() const { return state_; }

  private:
    State state_ = State::Refused;
};

}  // namespace kteval::network
