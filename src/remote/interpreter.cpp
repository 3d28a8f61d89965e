#include "interpreter.h"

namespace kteval::remote {

Interpreter::Interpreter(Operations& ops) : ops_(ops) {}

std::optional<std::string> Interpreter::executeLine(std::string_view line) {
    (void)ops_;
    (void)line;
    return std::nullopt;
}

void Interpreter::inputOverrun() {
    errors_.push(ErrorCode::InputBufferOverrun);
}

}  // namespace kteval::remote
