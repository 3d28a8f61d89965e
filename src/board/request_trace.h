#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "usb_functions.h"

namespace kteval {

// Passes every call on to another USBFunctions and, when given a trace file,
// appends one line per call to it: milliseconds since the trace began, the
// request and its arguments, the result, and what the request means (the
// decoded command word of a word write, the name of a line request):
//
//   1234 ms request 221 value 0x1234 index 0xC5 dir 0 len 0 result 0: X write ch 5 data 0x1234
//
// A firmware load's line names the file and the result, and ends in
// "(simulated board)" when inner is the SimulatedBoard.
//
// Every line is flushed. If the file cannot be opened or written, or is
// deleted while tracing, one line goes to errors and tracing stops; the
// calls themselves go on untouched.
class TracingUSBFunctions : public USBFunctions {
  public:
    // The environment variable naming the trace file.
    static constexpr const char* kEnvironmentVariable = "KTEVAL_TRACE";

    // An empty tracePath traces nothing.
    TracingUSBFunctions(USBFunctions& inner, std::string tracePath,
                        std::ostream& errors = std::cerr);
    ~TracingUSBFunctions() override;
    TracingUSBFunctions(const TracingUSBFunctions&) = delete;
    TracingUSBFunctions& operator=(const TracingUSBFunctions&) = delete;

    // Traces into the file KTEVAL_TRACE names, or nothing when it is unset or empty.
    static std::unique_ptr<TracingUSBFunctions> fromEnvironment(USBFunctions& inner,
                                                                std::ostream& errors = std::cerr);

    int16_t LoadFirmWare(const uint8_t* path) override;
    int16_t VendorIORequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t* buffer) override;

    // What a firmware load's line names the board by ("board NAME"); none
    // when unset or when it answers empty.
    void setBoardName(std::function<std::string()> name) { boardName_ = std::move(name); }

    // True while lines are being written.
    bool tracing() const { return file_ != nullptr; }

  private:
    void writeLine(const std::string& line);
    void stop(const std::string& reason);

    USBFunctions& inner_;
    std::string path_;
    std::ostream& errors_;
    std::FILE* file_ = nullptr;
    std::chrono::steady_clock::time_point start_;
    std::function<std::string()> boardName_;
};

// The trace text of one vendor request (without time stamp), e.g.
// "request 222 value 0x0000 index 0x00 dir 0 len 0 result 0: LDAC pulse".
std::string describeRequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, const uint8_t* buffer, int16_t result);

}  // namespace kteval
