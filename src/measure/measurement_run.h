#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "operations.h"
#include "report.h"
#include "routing.h"
#include "scpi_meter.h"

namespace kteval::measure {

// One reading: the input code written to X1A, the DAC register code LDAC
// loaded from it (through the channel's M and C), and the meter's volts.
struct CodeReading {
    int channelIndex = 0;
    int32_t inputCode = 0;
    int32_t dacCode = 0;
    double volts = 0.0;
};

// Writes code into X1A of the channel ("X >>") and pulses LDAC, then reads
// the meter; the channel must be routed to the meter and its multiplexer at
// X2A. nullopt when the window refused an action. Throws MeterFailure.
std::optional<CodeReading> measureCode(remote::Operations& ops, meter::ScpiMeter& meter,
                                       int channelIndex, int32_t code);

// The linearity of one channel's readings of a run (by DAC register code,
// each code once) against its ideal transfer; nullopt without readings.
std::optional<ChannelLinearity> channelLinearity(const remote::Operations& ops,
                                                 const std::vector<CodeReading>& readings,
                                                 int channelIndex);

// Measures each channel at each code, one reading a step, so that a window
// stays responsive and a run can be called off between two readings. Each
// channel is routed to the meter, its multiplexer set to X2A, then for each
// code: the code into X1A ("X >>"), "Pulse LDAC", one reading. Everything
// goes the operator's way, through the window's operations. A meter failure,
// a refused action or a cancel ends the run; the readings taken are kept.
class MeasurementRun {
  public:
    MeasurementRun(remote::Operations& ops, meter::ScpiMeter& meter, Router& router,
                   std::vector<int> channelIndices, std::vector<int32_t> codes);

    // Takes the next reading; false once the run has ended.
    bool step();
    // Steps to the end (a headless run).
    void runToEnd();
    void cancel();

    bool ended() const { return ended_; }
    bool cancelled() const { return cancelled_; }
    // Why the run stopped early ("meter tcp:...: READ?: no answer within ...").
    const std::optional<std::string>& failure() const { return failure_; }
    const std::vector<CodeReading>& readings() const { return readings_; }
    // Done so far, 0 to 1, and the time the rest takes at the pace so far.
    double progress() const;
    std::chrono::seconds timeLeft() const;

  private:
    void end();
    void stop(std::string why);

    remote::Operations& ops_;
    meter::ScpiMeter& meter_;
    Router& router_;
    std::vector<int> channels_;
    std::vector<int32_t> codes_;
    std::size_t next_ = 0;  // channel x codes + code of the next reading
    bool ended_ = false;
    bool cancelled_ = false;
    std::optional<std::string> failure_;
    std::vector<CodeReading> readings_;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace kteval::measure
