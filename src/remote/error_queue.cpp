#include "error_queue.h"

#include <utility>

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
        case ErrorCode::SettingsConflict:
            return "Settings conflict";
        case ErrorCode::DataOutOfRange:
            return "Data out of range";
        case ErrorCode::IllegalParameterValue:
            return "Illegal parameter value";
        case ErrorCode::ListsNotSameLength:
            return "Lists not same length";
        case ErrorCode::HardwareError:
            return "Hardware error";
        case ErrorCode::HardwareMissing:
            return "Hardware missing";
        case ErrorCode::QueueOverflow:
            return "Queue overflow";
        case ErrorCode::InputBufferOverrun:
            return "Input buffer overrun";
    }
    return "Unknown error";
}

std::string errorAnswer(const ErrorEntry& entry) {
    std::string answer = std::to_string(static_cast<int>(entry.code));
    answer += ",\"";
    answer += errorText(entry.code);
    if (!entry.detail.empty()) {
        answer += ';';
        answer += entry.detail;
    }
    answer += '"';
    return answer;
}

void ErrorQueue::push(ErrorCode code, std::string detail) {
    ++pushed_;
    if (entries_.size() < kErrors) {
        entries_.push_back({code, std::move(detail)});
    } else {
        // The newest entry gives way to the mark of the loss.
        entries_.back() = {ErrorCode::QueueOverflow, {}};
    }
}

ErrorEntry ErrorQueue::pop() {
    if (entries_.empty()) return {};
    ErrorEntry entry = std::move(entries_.front());
    entries_.pop_front();
    return entry;
}

}  // namespace kteval::remote
