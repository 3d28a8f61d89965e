#include "request_trace.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>

#include "chip_word.h"
#include "hex_digits.h"
#include "request_codes.h"
#include "simulated_board.h"

namespace kteval {

namespace {

const char* lineRequestName(int16_t code) {
    switch (code) {
        case request::Start:
            return "start";
        case request::LdacPulse:
            return "LDAC pulse";
        case request::ResetHigh:
            return "RESET high";
        case request::ResetLow:
            return "RESET low";
        case request::ClrHigh:
            return "CLR high";
        case request::ClrLow:
            return "CLR low";
        case request::LdacHigh:
            return "LDAC high";
        case request::LdacLow:
            return "LDAC low";
        default:
            return nullptr;
    }
}

std::string meaning(int16_t code, int32_t value, int32_t index, int16_t direction, int16_t length,
                    const uint8_t* buffer, int16_t result) {
    if (code == request::WordTransfer) {
        if (direction == request::DirectionOut) {
            return describeWord(decodeWord(wordOfRequest(value, index)));
        }
        if (result < 0 || buffer == nullptr || length < 2) return "read";
        return "read 0x" + hexDigits(static_cast<uint32_t>(buffer[1] * 256 + buffer[0]), 4);
    }
    const char* name = lineRequestName(code);
    return name != nullptr ? name : "unknown request";
}

std::string systemMessage(int error) {
    return std::generic_category().message(error);
}

}  // namespace

std::string describeRequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, const uint8_t* buffer, int16_t result) {
    return "request " + std::to_string(request) + " value 0x" +
           hexDigits(static_cast<uint32_t>(value), 4) + " index 0x" +
           hexDigits(static_cast<uint32_t>(index), 2) + " dir " + std::to_string(direction) +
           " len " + std::to_string(length) + " result " + std::to_string(result) + ": " +
           meaning(request, value, index, direction, length, buffer, result);
}

TracingUSBFunctions::TracingUSBFunctions(USBFunctions& inner, std::string tracePath,
                                         std::ostream& errors)
    : inner_(inner),
      path_(std::move(tracePath)),
      errors_(errors),
      start_(std::chrono::steady_clock::now()) {
    if (path_.empty()) return;
    file_ = std::fopen(path_.c_str(), "a");
    if (file_ == nullptr) {
        errors_ << "kteval: cannot open the request trace file " << path_ << ": "
                << systemMessage(errno) << "; requests are not traced\n";
        errors_.flush();
    }
}

TracingUSBFunctions::~TracingUSBFunctions() {
    if (file_ != nullptr) std::fclose(file_);
}

std::unique_ptr<TracingUSBFunctions> TracingUSBFunctions::fromEnvironment(USBFunctions& inner,
                                                                          std::ostream& errors) {
    const char* path = std::getenv(kEnvironmentVariable);
    return std::make_unique<TracingUSBFunctions>(inner, path != nullptr ? path : "", errors);
}

int16_t TracingUSBFunctions::LoadFirmWare(const uint8_t* path) {
    const int16_t result = inner_.LoadFirmWare(path);
    if (file_ != nullptr) {
        const char* text = path != nullptr ? reinterpret_cast<const char*>(path) : "(none)";
        // The simulated board loads nothing: the line says so, lest a trace
        // of a simulated session be taken for a real board's.
        const bool simulated = dynamic_cast<const SimulatedBoard*>(&inner_) != nullptr;
        const std::string board = boardName_ ? boardName_() : std::string();
        writeLine("LoadFirmWare " + std::string(text) + " result " + std::to_string(result) +
                  (board.empty() ? "" : " board " + board) +
                  (simulated ? " (simulated board)" : ""));
    }
    return result;
}

int16_t TracingUSBFunctions::VendorIORequest(int16_t request, int32_t value, int32_t index,
                                             int16_t direction, int16_t length, uint8_t* buffer) {
    const int16_t result = inner_.VendorIORequest(request, value, index, direction, length, buffer);
    if (file_ != nullptr) {
        writeLine(describeRequest(request, value, index, direction, length, buffer, result));
    }
    return result;
}

void TracingUSBFunctions::writeLine(const std::string& text) {
    // An open descriptor keeps writing into a deleted file without error;
    // the link count tells that nobody will ever read it.
    struct stat status {};
    if (fstat(fileno(file_), &status) == 0 && status.st_nlink == 0) {
        stop("the file was deleted");
        return;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    const std::string line = std::to_string(elapsed.count()) + " ms " + text + "\n";
    errno = 0;
    if (std::fputs(line.c_str(), file_) == EOF || std::fflush(file_) == EOF) {
        stop(errno != 0 ? systemMessage(errno) : "write failed");
    }
}

void TracingUSBFunctions::stop(const std::string& reason) {
    std::fclose(file_);
    file_ = nullptr;
    errors_ << "kteval: request trace to " << path_ << " stopped: " << reason
            << "; requests go on untraced\n";
    errors_.flush();
}

}  // namespace kteval
