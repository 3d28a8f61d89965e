#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error_queue.h"
#include "operations.h"
#include "status.h"
#include "syntax.h"

namespace kteval::remote {

// Server facts shared with the socket side.
inline constexpr std::size_t kMaxLineLength = 64 * 1024;  // longer lines: -363, discarded
inline constexpr int kMaxClients = 8;                     // further connections are refused
inline constexpr int kDefaultPort = 5025;

// The command language of one client connection: parses each line, checks it
// against the fitted part and runs it through the window's operations. Owns
// the connection's error queue and IEEE 488.2 status.
class Interpreter {
  public:
    // Check: the lines are only checked (over operations that send nothing);
    // a rejection that depends on the state at run time is let through.
    enum class Mode { Run, Check };
    explicit Interpreter(Operations& ops, Mode mode = Mode::Run);

    // Runs one complete line (terminator already removed; a trailing CR is
    // tolerated). Commands are separated by ';'; the first rejected command
    // queues its error and ends the line. Returns the answer line (without
    // LF) when any query answered: several answers are joined with ';'.
    std::optional<std::string> executeLine(std::string_view line);

    // The server discarded a line longer than kMaxLineLength: queues -363.
    void inputOverrun();

    // *OPC?, *OPC and *WAI wait for running ramps and lists: the line is
    // held there (waiting()) and goes on with resume(). Only a client of the
    // server may wait; elsewhere (a setup) they complete at once.
    void allowWaiting() { canWait_ = true; }
    bool waiting() const { return held_.has_value(); }
    // Goes on with a held line when no ramp or list runs: the answers of the
    // whole line once it has ended (nullopt while it waits, or without any).
    std::optional<std::string> resume();
    // IEEE 488.2 device clear: a held line is abandoned, its answers with it;
    // the error queue and the status stay.
    void deviceClear() { held_.reset(); }

    const ErrorQueue& errors() const { return errors_; }
    const StatusRegisters& status() const { return status_; }

  private:
    // Queues the error and sets its event bit.
    void report(ErrorCode code, std::string detail);

    // A keyword that outlives the line it was read from.
    struct KeptKeyword {
        std::string name, written;
        bool hasSuffix;
        uint32_t suffix;
    };
    // The rest of a held line, from the command that waits, with the path
    // and the answers so far.
    struct HeldLine {
        std::string rest;
        std::vector<KeptKeyword> path;
        std::optional<std::string> answers;
    };
    std::optional<std::string> run(std::string_view line, std::vector<Keyword> path,
                                   std::optional<std::string> answers);

    Operations& ops_;
    Mode mode_;
    bool canWait_ = false;
    std::optional<HeldLine> held_;
    HeldLine resumed_;  // the held line being run again, which its views point into
    ErrorQueue errors_;
    StatusRegisters status_;
};

}  // namespace kteval::remote
