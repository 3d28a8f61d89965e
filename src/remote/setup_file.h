#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interpreter.h"

namespace kteval::remote {

// One command line of a setup file and where it stands.
struct SetupLine {
    int number = 0;  // 1 for the file's first line
    std::string text;
};

// The command lines of a setup: one per line; blank lines and comments are
// left out. A '#' that opens a line (after blanks) makes it a comment line;
// further on, a '#' outside quotes between white space (or at the line's
// end) starts a comment, so that '#H3FFF' stays a number.
std::vector<SetupLine> setupLines(std::string_view content);

// The command lines of the file at path; nullopt, with the reason in error,
// when it cannot be read.
std::optional<std::vector<SetupLine>> readSetupFile(const std::string& path, std::string& error);

// The first command line the interpreter rejected.
struct SetupFailure {
    SetupLine line;
    std::string error;  // as SYSTem:ERRor? answers it
    // Lines that ran before it; nullopt when the check before the run
    // rejected it and nothing was sent.
    std::optional<std::size_t> applied;
    std::size_t lines = 0;  // command lines of the setup
};

// Checks every line first (syntax, headers, suffixes, parameters, the part)
// over operations that send nothing; a line that fails the check stops the
// setup before anything is sent. Then runs the lines through ops one after
// another until one is rejected: only a rejection that depends on the state
// at run time can stop it there. Answers of queries are dropped.
std::optional<SetupFailure> runSetup(Operations& ops, const std::vector<SetupLine>& lines);

// "<path>, line <n>: <command>: <code>,"<text>"", then what was applied:
// "; nothing was sent" or "; <k> of <m> lines were applied".
std::string setupFailureMessage(std::string_view path, const SetupFailure& failure);

}  // namespace kteval::remote
