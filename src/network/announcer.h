#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "network_identity.h"

namespace kteval::network {

// One DNS-SD service to announce.
struct Service {
    std::string type;  // "_scpi-raw._tcp"
    uint16_t port = 0;
    int interfaceIndex = -1;  // the interface its address is on; -1: every interface
    enum class Family { Any, IPv4, IPv6 } family = Family::Any;
    std::vector<std::string> txt;  // "key=value"
};

// Where each server listens, for the services: an interface index of -1 with
// the family Any means every address.
struct ServicePlace {
    int interfaceIndex = -1;
    Service::Family family = Service::Family::Any;
};

// The port instruments announce _vxi-11._tcp on: the portmapper's, where a
// client asks for the core channel's port.
inline constexpr uint16_t kPortmapperPort = 111;

// The services of an instrument with identity: _scpi-raw._tcp (the raw
// port), _vxi-11._tcp (while VXI-11 runs), _lxi._tcp and _http._tcp (the web
// port), each with the TXT records txtvers, Manufacturer, Model, SerialNumber
// and FirmwareVersion (and path=/ for http). Only the servers with a place
// are announced.
std::vector<Service> instrumentServices(const NetworkIdentity& identity,
                                        const std::optional<ServicePlace>& control,
                                        const std::optional<ServicePlace>& web);

// "kteval KT4421 SIMULATED": the service name, at most 63 bytes.
std::string serviceName(const NetworkIdentity& identity);

// Announces services over mDNS through the system's Avahi daemon, from
// Avahi's own thread: no event loop of the caller's is needed. A name taken
// by another host gets Avahi's alternative ("... #2"). The services are
// withdrawn when the Announcer is destroyed.
class Announcer {
  public:
    // log takes kteval's lines (without "kteval: " and line end); it may be
    // called from Avahi's thread.
    explicit Announcer(std::function<void(const std::string&)> log);
    ~Announcer();
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;

    // Starts announcing; false (and one line logged) when there is no Avahi
    // daemon or it refused. Call once.
    bool announce(std::string name, std::vector<Service> services);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kteval::network
