#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "meter_channel.h"

namespace kteval::meter {

// How the meter measures: its DC range ("AUTO" or volts, as CONF:VOLT:DC
// takes it) and its integration time in power-line cycles.
// An answer that does not come within answerTimeout (plus a reading's
// integration time) fails.
struct MeterSettings {
    std::string range = "AUTO";
    double nplc = 1.0;
    std::chrono::milliseconds answerTimeout{3000};
};

// How long a reading may take: the answer timeout plus twice (auto-zero) the
// integration time at the slowest mains, 50 Hz.
std::chrono::milliseconds readingTimeout(const MeterSettings& settings);

// A DC voltmeter speaking the common SCPI subset: *IDN?, *CLS, CONF:VOLT:DC,
// VOLT:DC:NPLC, READ?, SYST:ERR?. Every failure throws MeterFailure naming
// the meter and what it said.
class ScpiMeter {
  public:
    ScpiMeter(std::unique_ptr<MeterChannel> channel, std::string address);

    // Asks who it is, clears its errors, configures DC volts; a meter that
    // reports an error after that is refused.
    void start(MeterSettings settings);
    // One reading, in volts (READ?). An overload, or an answer that is not
    // one number, throws.
    double read();
    // Sends a command that has no answer (a scanner's switching command) and
    // checks that the meter took it.
    void command(std::string_view text);
    // SYST:ERR? must report no error.
    void checkErrors();

    // "tcp:192.168.1.7:5025 (KEITHLEY INSTRUMENTS,MODEL DMM6500,...)".
    std::string name() const;

  private:
    std::string query(std::string_view text, std::chrono::milliseconds timeout);
    [[noreturn]] void fail(const std::string& what);

    std::unique_ptr<MeterChannel> channel_;
    std::string address_;
    std::string identity_;
    MeterSettings settings_;
};

}  // namespace kteval::meter
