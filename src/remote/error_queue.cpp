#include "error_queue.h"

namespace kteval::remote {

std::string_view errorText(ErrorCode code) {
    switch (code) {
        case ErrorCode::NoError:
            return "No error";
        case ErrorCode::SyntaxError:
            return "Syntax error";
        case ErrorCode::DataTypeError:
            return "Data type error";
        case ErrorCode::ParameterNotAllowed:
            return "Parameter not allowed";
        case ErrorCode::MissingParameter:
            return "Missing parameter";
        case ErrorCode::UndefinedHeader:
            return "Undefined header";
        case ErrorCode::HeaderSuffixOutOfRange:
            return "Header suffix out of range";
        case ErrorCode::ExecutionError:
            return "Execution error";
        case ErrorCode::DataOutOfRange:
            return "Data out of range";
        case ErrorCode::IllegalParameterValue:
            return "Illegal parameter value";
        case ErrorCode::QueueOverflow:
            return "Queue overflow";
        case ErrorCode::InputBufferOverrun:
            return "Input buffer overrun";
    }
    return "Unknown error";
}

std::string errorAnswer(ErrorCode code) {
    std::string answer = std::to_string(static_cast<int>(code));
    answer += ",\"";
    answer += errorText(code);
    answer += '"';
    return answer;
}

void ErrorQueue::push(ErrorCode code) {
    ++pushed_;
    if (entries_.size() < kCapacity) {
        entries_.push_back(code);
    } else {
        entries_.back() = ErrorCode::QueueOverflow;
    }
}

ErrorCode ErrorQueue::pop() {
    if (entries_.empty()) return ErrorCode::NoError;
    const ErrorCode code = entries_.front();
    entries_.pop_front();
    return code;
}

}  // namespace kteval::remote
