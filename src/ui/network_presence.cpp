#include "network_presence.h"

#include <QNetworkInterface>
#include <cstdio>

namespace kteval::ui {

std::optional<network::ServicePlace> announcedPlace(const QHostAddress& address) {
    using Family = network::Service::Family;
    if (address.isNull() || address.isLoopback()) return std::nullopt;
    if (address == QHostAddress::Any) return network::ServicePlace{};
    if (address == QHostAddress::AnyIPv4) return network::ServicePlace{-1, Family::IPv4};
    if (address == QHostAddress::AnyIPv6) return network::ServicePlace{-1, Family::IPv6};
    const Family family =
        address.protocol() == QAbstractSocket::IPv6Protocol ? Family::IPv6 : Family::IPv4;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip().isEqual(address, QHostAddress::TolerantConversion)) {
                return network::ServicePlace{interface.index(), family};
            }
        }
    }
    return network::ServicePlace{-1, family};
}

std::unique_ptr<network::Announcer> announceOnNetwork(
    const network::NetworkIdentity& identity, const std::optional<QHostAddress>& controlAddress,
    const std::optional<QHostAddress>& webAddress) {
    const auto place = [](const std::optional<QHostAddress>& address) {
        return address ? announcedPlace(*address) : std::nullopt;
    };
    std::vector<network::Service> services =
        network::instrumentServices(identity, place(controlAddress), place(webAddress));
    if (services.empty()) return nullptr;
    auto announcer = std::make_unique<network::Announcer>(
        [](const std::string& line) { std::fprintf(stderr, "kteval: %s\n", line.c_str()); });
    if (!announcer->announce(network::serviceName(identity), std::move(services))) return nullptr;
    return announcer;
}

}  // namespace kteval::ui
