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
};

// Runs the lines one after another until one is rejected. Answers of queries
// are dropped.
std::optional<SetupFailure> runSetup(Interpreter& interpreter, const std::vector<SetupLine>& lines);

// "<path>, line <n>: <command>: <code>,"<text>"".
std::string setupFailureMessage(std::string_view path, const SetupFailure& failure);

}  // namespace kteval::remote
