#pragma once

#include <QHostAddress>
#include <memory>
#include <optional>

#include "announcer.h"
#include "network_identity.h"

namespace kteval::ui {

// Where a server bound to address is announced: nowhere for a loopback
// address, on every interface for "*", else on the interface that has the
// address.
std::optional<network::ServicePlace> announcedPlace(const QHostAddress& address);

// Announces identity's services through the Avahi daemon: the control
// services at controlAddress, the web's at webAddress (each nullopt when that
// server does not run). nullptr when nothing is to be announced (every server
// on loopback) or no daemon took it (said on standard error).
std::unique_ptr<network::Announcer> announceOnNetwork(
    const network::NetworkIdentity& identity, const std::optional<QHostAddress>& controlAddress,
    const std::optional<QHostAddress>& webAddress);

}  // namespace kteval::ui
