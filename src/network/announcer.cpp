#include "announcer.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>

namespace kteval::network {

namespace {

constexpr std::size_t kMaxServiceName = 63;  // one DNS label

AvahiProtocol protocolOf(Service::Family family) {
    switch (family) {
        case Service::Family::IPv4:
            return AVAHI_PROTO_INET;
        case Service::Family::IPv6:
            return AVAHI_PROTO_INET6;
        case Service::Family::Any:
            break;
    }
    return AVAHI_PROTO_UNSPEC;
}

}  // namespace

std::vector<Service> instrumentServices(const NetworkIdentity& identity,
                                        const std::optional<ServicePlace>& control,
                                        const std::optional<ServicePlace>& web) {
    const std::vector<std::string> txt{"txtvers=1", "Manufacturer=" + identity.manufacturer,
                                       "Model=" + identity.model, "SerialNumber=" + identity.serial,
                                       "FirmwareVersion=" + identity.firmware};
    const auto service = [&](std::string type, uint16_t port, const ServicePlace& place) {
        return Service{std::move(type), port, place.interfaceIndex, place.family, txt};
    };
    std::vector<Service> services;
    const NetworkPorts& ports = identity.ports;
    if (control && ports.rawPort)
        services.push_back(service("_scpi-raw._tcp", *ports.rawPort, *control));
    if (control && ports.vxi11Port) {
        services.push_back(service("_vxi-11._tcp", kPortmapperPort, *control));
    }
    if (web && ports.webPort) {
        services.push_back(service("_lxi._tcp", *ports.webPort, *web));
        services.push_back(service("_http._tcp", *ports.webPort, *web));
        services.back().txt.push_back("path=/");
    }
    return services;
}

std::string serviceName(const NetworkIdentity& identity) {
    std::string name = identity.manufacturer + ' ' + identity.model + ' ' + identity.serial;
    if (name.size() > kMaxServiceName) {
        name.resize(kMaxServiceName);
        // Not inside a UTF-8 sequence.
        while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) {
            name.pop_back();
        }
        if (!name.empty() && static_cast<unsigned char>(name.back()) >= 0xC0) name.pop_back();
    }
    return name;
}

// Everything Avahi's callbacks touch; after start they run on Avahi's thread
// only, and the destructor stops that thread before anything is freed.
struct Announcer::State {
    std::function<void(const std::string&)> log;
    std::string name;
    std::vector<Service> services;
    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* group = nullptr;

    void publish(AvahiClient* c);
    void renameAfterCollision(AvahiClient* c);

    static void onClient(AvahiClient* c, AvahiClientState clientState, void* self) {
        auto& state = *static_cast<State*>(self);
        switch (clientState) {
            case AVAHI_CLIENT_S_RUNNING:
                if (state.group == nullptr) state.publish(c);
                break;
            case AVAHI_CLIENT_S_COLLISION:
            case AVAHI_CLIENT_S_REGISTERING:
                // The host's own name changes: announced again once it runs.
                if (state.group != nullptr) avahi_entry_group_reset(state.group);
                break;
            case AVAHI_CLIENT_FAILURE:
                state.log("the Avahi daemon failed (" +
                          std::string(avahi_strerror(avahi_client_errno(c))) +
                          "); no longer announced on the network");
                break;
            case AVAHI_CLIENT_CONNECTING:
                break;
        }
    }

    static void onGroup(AvahiEntryGroup* g, AvahiEntryGroupState groupState, void* self) {
        auto& state = *static_cast<State*>(self);
        switch (groupState) {
            case AVAHI_ENTRY_GROUP_ESTABLISHED:
                state.log("announced on the network as '" + state.name + "'");
                break;
            case AVAHI_ENTRY_GROUP_COLLISION:
                state.renameAfterCollision(avahi_entry_group_get_client(g));
                break;
            case AVAHI_ENTRY_GROUP_FAILURE:
                state.log("not announced on the network: " +
                          std::string(
                              avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(g)))));
                break;
            case AVAHI_ENTRY_GROUP_UNCOMMITED:
            case AVAHI_ENTRY_GROUP_REGISTERING:
                break;
        }
    }
};

void Announcer::State::renameAfterCollision(AvahiClient* c) {
    char* alternative = avahi_alternative_service_name(name.c_str());
    log("the name '" + name + "' is taken on the network; trying '" + alternative + "'");
    name = alternative;
    avahi_free(alternative);
    avahi_entry_group_reset(group);
    publish(c);
}

void Announcer::State::publish(AvahiClient* c) {
    if (group == nullptr) group = avahi_entry_group_new(c, &State::onGroup, this);
    if (group == nullptr) {
        log("not announced on the network: " + std::string(avahi_strerror(avahi_client_errno(c))));
        return;
    }
    for (const Service& service : services) {
        AvahiStringList* txt = nullptr;
        for (auto it = service.txt.rbegin(); it != service.txt.rend(); ++it) {
            txt = avahi_string_list_add(txt, it->c_str());
        }
        const int error = avahi_entry_group_add_service_strlst(
            group, service.interfaceIndex < 0 ? AVAHI_IF_UNSPEC : service.interfaceIndex,
            protocolOf(service.family), AvahiPublishFlags(0), name.c_str(), service.type.c_str(),
            nullptr, nullptr, service.port, txt);
        avahi_string_list_free(txt);
        if (error == AVAHI_ERR_COLLISION) {
            renameAfterCollision(c);
            return;
        }
        if (error < 0) {
            log("cannot announce " + service.type + ": " + avahi_strerror(error));
            return;
        }
    }
    if (const int error = avahi_entry_group_commit(group); error < 0) {
        log("not announced on the network: " + std::string(avahi_strerror(error)));
    }
}

Announcer::Announcer(std::function<void(const std::string&)> log)
    : state_(std::make_unique<State>()) {
    state_->log = std::move(log);
}

Announcer::~Announcer() {
    if (state_->poll != nullptr) avahi_threaded_poll_stop(state_->poll);
    // Freeing the client withdraws its services.
    if (state_->client != nullptr) avahi_client_free(state_->client);
    if (state_->poll != nullptr) avahi_threaded_poll_free(state_->poll);
}

bool Announcer::announce(std::string name, std::vector<Service> services) {
    state_->name = std::move(name);
    state_->services = std::move(services);
    state_->poll = avahi_threaded_poll_new();
    if (state_->poll == nullptr) {
        state_->log("not announced on the network: out of memory");
        return false;
    }
    int error = 0;
    // The first callbacks run here, on this thread, before Avahi's starts.
    state_->client = avahi_client_new(avahi_threaded_poll_get(state_->poll), AvahiClientFlags(0),
                                      &State::onClient, state_.get(), &error);
    if (state_->client == nullptr) {
        state_->log(error == AVAHI_ERR_NO_DAEMON
                        ? "no Avahi daemon; not announced on the network"
                        : "not announced on the network: " + std::string(avahi_strerror(error)));
        return false;
    }
    if (avahi_threaded_poll_start(state_->poll) < 0) {
        state_->log("not announced on the network: Avahi's thread did not start");
        return false;
    }
    return true;
}

}  // namespace kteval::network
