#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "error_queue.h"
#include "operations.h"
#include "status.h"

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

    const ErrorQueue& errors() const { return errors_; }
    const StatusRegisters& status() const { return status_; }

  private:
    // Queues the error and sets its event bit.
    void report(ErrorCode code, std::string detail);

    Operations& ops_;
    Mode mode_;
    ErrorQueue errors_;
    StatusRegisters status_;
};

}  // namespace kteval::remote
