// Any bytes as lines (first byte: the part): no invalid window call, at most
// one error a line, an erring single command acts and answers nothing,
// answers printable.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "interpreter.h"
#include "part_catalogue.h"
#include "recording_operations.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kteval;
    using namespace kteval::remote;
    if (size < 1) return 0;
    RecordingOperations ops(partByIndex(data[0] % kPartCount).name);
    Interpreter interpreter(ops);
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    while (true) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        const std::size_t callsBefore = ops.calls.size();
        const std::size_t errorsBefore = interpreter.errors().pushedCount();
        const std::optional<std::string> answer = interpreter.executeLine(line);
        const std::size_t newErrors = interpreter.errors().pushedCount() - errorsBefore;
        const bool oneCommand = line.find(';') == std::string_view::npos;
        const auto unprintable = [](char c) { return c < 0x20 || c > 0x7E; };
        if (ops.invalidCall || newErrors > 1 ||
            interpreter.errors().size() > ErrorQueue::kErrors ||
            (oneCommand && newErrors == 1 && (ops.calls.size() != callsBefore || answer)) ||
            (answer && std::any_of(answer->begin(), answer->end(), unprintable)))
            std::abort();
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return 0;
}
