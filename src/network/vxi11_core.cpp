#include "vxi11_core.h"

#include <algorithm>
#include <utility>

namespace kteval::network {

namespace {

// How long lines may run before the host's other events get their say:
// about one frame.
constexpr std::chrono::milliseconds kTurn{15};

}  // namespace

Vxi11Core::Vxi11Core(remote::Operations& operations, Host host)
    : operations_(operations), host_(std::move(host)) {}

Vxi11Core::~Vxi11Core() = default;

void Vxi11Core::open(int connection, std::string peer) {
    connections_[connection].peer = std::move(peer);
}

bool Vxi11Core::receive(int id, std::string_view bytes) {
    const auto found = connections_.find(id);
    if (found == connections_.end()) return false;
    Connection& connection = found->second;
    connection.records.append(bytes);
    while (std::optional<std::string> record = connection.records.next()) {
        if (const std::optional<CallHeader> header = decodeCall(*record)) {
            Call call;
            call.header = *header;
            call.message = std::move(*record);
            connection.calls.push_back(std::move(call));
        }
    }
    return !connection.records.failed();
}

void Vxi11Core::close(int connection) {
    std::vector<Vxi11Link*> gone;
    for (const auto& link : links_) {
        if (link->connection() == connection) gone.push_back(link.get());
    }
    for (Vxi11Link* link : gone) destroy(*link);
    connections_.erase(connection);
}

void Vxi11Core::destroy(Vxi11Link& link) {
    if (lockHolder_ == link.id()) lockHolder_.reset();
    host_.log("client " + link.name() + " disconnected");
    std::erase_if(links_, [&link](const auto& held) { return held.get() == &link; });
}

Vxi11Link* Vxi11Core::link(int connection, long id) {
    // A link belongs to the connection that created it.
    const auto found = std::find_if(links_.begin(), links_.end(), [&](const auto& link) {
        return link->id() == id && link->connection() == connection;
    });
    return found == links_.end() ? nullptr : found->get();
}

void Vxi11Core::runNow(Vxi11Link& link) {
    if (!host_.operatorBusy()) link.runLines([this] { return turnOver(); });
}

bool Vxi11Core::serve() {
    turnEnds_ = host_.now() + kTurn;
    bool progress = true;
    while (progress && !turnOver()) {
        progress = false;
        for (auto& [id, connection] : connections_) progress |= answerCalls(id, connection);
        if (!host_.operatorBusy()) {
            for (const auto& link : links_) {
                progress |= link->runLines([this] { return turnOver(); });
            }
        }
    }
    // The turn ended while work went on: lines, or calls their answers let
    // go on, are left for the next.
    return progress ||
           (!host_.operatorBusy() && std::any_of(links_.begin(), links_.end(), [](const auto& l) {
               return l->busy() && !l->interpreter().waiting();
           }));
}

bool Vxi11Core::answerCalls(int id, Connection& connection) {
    bool answered = false;
    while (!connection.calls.empty()) {
        const std::optional<std::string> reply = attempt(id, connection.calls.front());
        if (!reply) break;
        if (!reply->empty()) host_.send(id, frameRecord(*reply));
        connection.calls.pop_front();
        answered = true;
    }
    return answered;
}

std::optional<Vxi11Core::Clock::time_point> Vxi11Core::nextDeadline() const {
    std::optional<Clock::time_point> earliest;
    for (const auto& [id, connection] : connections_) {
        if (connection.calls.empty()) continue;
        const std::optional<Clock::time_point>& until = connection.calls.front().waitsUntil;
        if (until && (!earliest || *until < *earliest)) earliest = until;
    }
    return earliest;
}

bool Vxi11Core::linesWaiting() const {
    return std::any_of(links_.begin(), links_.end(), [](const auto& link) { return link->busy(); });
}

std::vector<std::string> Vxi11Core::clientNames() const {
    std::vector<std::string> names;
    for (const auto& link : links_) names.push_back(link->name());
    return names;
}

}  // namespace kteval::network
