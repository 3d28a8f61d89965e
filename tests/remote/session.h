#pragma once

#include <string>
#include <string_view>

#include "interpreter.h"
#include "recording_operations.h"

namespace kteval::remote {

// One client on a window of the given part, with everything it did as text.
struct Session {
    explicit Session(std::string_view part) : ops(part), interpreter(ops) {}

    // The answer of one line, "" when none.
    std::string run(std::string_view line) { return interpreter.executeLine(line).value_or(""); }
    // The recorded actions joined with '|'.
    std::string calls() const {
        std::string joined;
        for (const std::string& call : ops.calls) joined += (joined.empty() ? "" : "|") + call;
        return joined;
    }
    // The queued error codes joined with ','.
    std::string errors() const {
        std::string joined;
        for (const ErrorEntry& entry : interpreter.errors().entries()) {
            joined += (joined.empty() ? "" : ",") + std::to_string(static_cast<int>(entry.code));
        }
        return joined;
    }

    RecordingOperations ops;
    Interpreter interpreter;
};

// One line, and what it must do: the actions, the answer and the errors.
struct LineCase {
    const char* part;
    std::string line;
    const char* calls;
    const char* answer;
    const char* errors;
};

inline void expectLine(const LineCase& row) {
    Session session(row.part);
    const std::string answer = session.run(row.line);
    EXPECT_EQ(session.calls(), row.calls) << row.part << " " << row.line;
    EXPECT_EQ(answer, row.answer) << row.part << " " << row.line;
    EXPECT_EQ(session.errors(), row.errors) << row.part << " " << row.line;
    EXPECT_FALSE(session.ops.invalidCall) << row.part << " " << row.line;
}

}  // namespace kteval::remote
