#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "interpreter.h"

namespace kteval::network {

// One VXI-11 link: a client like a socket client, with its own interpreter
// (error queue, IEEE 488.2 status), the lines it wrote that have not run and
// the answers it has not read.
class Vxi11Link {
  public:
    Vxi11Link(long id, int connection, std::string peer, remote::Operations& operations);

    long id() const { return id_; }
    int connection() const { return connection_; }
    // "ADDR:PORT (VXI-11 link N)", as the log names the client.
    const std::string& name() const { return name_; }
    remote::Interpreter& interpreter() { return interpreter_; }

    // device_write: a line ends at LF (IEEE 488.2's terminator) or at the
    // message's END; complete lines wait to run. A line longer than
    // remote::kMaxLineLength is discarded and reported as an input overrun.
    void write(std::string_view data, bool end);
    // Queues one line as if written (device_trigger's *TRG).
    void queueLine(std::string line) { pending_.push_back(std::move(line)); }
    // Runs waiting lines, and goes on with one held in *OPC?, *OPC or *WAI,
    // until one is held or turnOver() says the turn has ended. true when
    // anything ran.
    template <class TurnOver>
    bool runLines(TurnOver turnOver);
    // Lines wait to run, or one is held.
    bool busy() const { return !pending_.empty() || interpreter_.waiting(); }

    // What device_read returns: the next answer up to and with its LF (END),
    // or up to termChar (CHR), or requestSize bytes of it (REQCNT).
    struct Piece {
        std::string data;
        long reason = 0;
    };
    static constexpr long kReasonRequestCount = 1;
    static constexpr long kReasonCharacter = 2;
    static constexpr long kReasonEnd = 4;
    // nullopt while no answer waits.
    std::optional<Piece> read(std::size_t requestSize, std::optional<char> termChar);

    // device_clear (IEEE 488.2 device clear): input, waiting lines and unread
    // answers are dropped, a held line is abandoned; errors and status stay.
    void clear();

  private:
    void answer(const std::optional<std::string>& text);

    long id_;
    int connection_;
    std::string name_;
    remote::Interpreter interpreter_;
    std::string partial_;  // the line being written, without its end
    bool discarding_ = false;
    std::deque<std::string> pending_;
    std::string answers_;  // each answer ends with LF
};

template <class TurnOver>
bool Vxi11Link::runLines(TurnOver turnOver) {
    bool ran = false;
    if (interpreter_.waiting()) {
        const std::optional<std::string> held = interpreter_.resume();
        if (interpreter_.waiting()) return false;
        answer(held);
        ran = true;
    }
    while (!pending_.empty() && !turnOver()) {
        const std::string line = std::move(pending_.front());
        pending_.pop_front();
        answer(interpreter_.executeLine(line));
        ran = true;
        if (interpreter_.waiting()) break;
    }
    return ran;
}

}  // namespace kteval::network
