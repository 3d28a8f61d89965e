#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record_marking.h"
#include "rpc_message.h"
#include "vxi11_link.h"

namespace kteval::network {

// The VXI-11 core channel (ONC RPC program 0x0607AF, version 1, over TCP)
// without its sockets: the host hands it each connection's bytes and sends
// the records it answers with. Calls on one connection are answered in turn;
// a call that cannot finish yet (a read with no answer, a lock held by another
// link) waits, and the calls behind it with it, until it can or its timeout
// ends: serve() goes on with them, nextDeadline() says when one times out.
class Vxi11Core {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr uint32_t kProgram = 0x0607AF;
    static constexpr uint32_t kVersion = 1;
    // The largest write a client sends in one call (create_link's maxRecvSize).
    static constexpr std::size_t kMaxReceive = 64 * 1024;

    // What the core needs of the program around it.
    struct Host {
        // Sends a record on a connection; never calls back into the core.
        std::function<void(int connection, std::string_view record)> send;
        // While true no line runs: the operator's box is open.
        std::function<bool()> operatorBusy;
        // The clients that hold places outside VXI-11 (the socket's), by name.
        std::function<std::vector<std::string>()> otherClients;
        // A line for the log, without "kteval: ".
        std::function<void(const std::string&)> log;
        std::function<Clock::time_point()> now;
    };

    Vxi11Core(remote::Operations& operations, Host host);
    ~Vxi11Core();
    Vxi11Core(const Vxi11Core&) = delete;
    Vxi11Core& operator=(const Vxi11Core&) = delete;

    // A connection from peer ("ADDR:PORT"), numbered by the host.
    void open(int connection, std::string peer);
    // Bytes that arrived on it. false when the stream cannot be ONC RPC (a
    // record beyond any call's size): the host closes it.
    bool receive(int connection, std::string_view bytes);
    // The connection is gone: its links are destroyed, their lock released.
    void close(int connection);

    // Runs what can run: answers calls, runs written lines (unless the
    // operator is busy) and times out calls whose time has come. true when
    // the turn (about a frame) ended with work left: call again after other
    // events have had theirs.
    bool serve();
    // When the earliest waiting call times out.
    std::optional<Clock::time_point> nextDeadline() const;
    // Lines wait, held by the operator's box or by a running ramp or list.
    bool linesWaiting() const;
    // The links' names, as the log gives them ("ADDR:PORT (VXI-11 link N)").
    std::vector<std::string> clientNames() const;

  private:
    struct Call {
        CallHeader header;
        std::string message;
        bool started = false;  // its timeouts run from its first attempt
        Clock::time_point lockDeadline{};
        Clock::time_point ioDeadline{};
        std::optional<Clock::time_point> waitsUntil;
    };
    struct Connection {
        std::string peer;
        RecordReader records{kMaxReceive + 1024};
        std::deque<Call> calls;
    };
    struct Procedures;  // the procedures, over the rpcgen types

    bool answerCalls(int id, Connection& connection);
    // The reply to a call, empty for none; nullopt while it waits.
    std::optional<std::string> attempt(int connection, Call& call);
    Vxi11Link* link(int connection, long id);
    void destroy(Vxi11Link& link);
    // Runs a link's lines at once, when the operator lets them: a query's
    // answer or an error's status is there for the call that follows.
    void runNow(Vxi11Link& link);
    bool turnOver() const { return host_.now() >= turnEnds_; }

    remote::Operations& operations_;
    Host host_;
    std::map<int, Connection> connections_;
    std::vector<std::unique_ptr<Vxi11Link>> links_;
    long nextLinkId_ = 1;
    std::optional<long> lockHolder_;  // the link that holds the device's lock
    Clock::time_point turnEnds_{};
};

}  // namespace kteval::network
