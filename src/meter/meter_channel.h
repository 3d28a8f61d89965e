#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kteval::meter {

// A meter that failed; the text says which meter and what it did or said.
class MeterFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One SCPI conversation with a meter: commands out, answer lines back.
class MeterChannel {
  public:
    virtual ~MeterChannel() = default;
    // Sends one command; the terminator is added. Throws MeterFailure when the
    // meter is gone.
    virtual void send(std::string_view command) = 0;
    // The next answer, without its terminator. Throws MeterFailure when none
    // comes within timeout, or the meter is gone.
    virtual std::string receive(std::chrono::milliseconds timeout) = 0;
};

}  // namespace kteval::meter
