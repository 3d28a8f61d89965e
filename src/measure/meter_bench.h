#pragma once

#include <memory>
#include <string>
#include <vector>

#include "calibration_run.h"
#include "calibration_store.h"
#include "operations.h"
#include "routing.h"
#include "scpi_meter.h"

namespace kteval::measure {

// How a channel's output reaches the meter: the monitor pin, a scanner's
// switching command (template), or the operator's probe (ask).
struct RouteChoice {
    enum class Kind { Monitor, Scanner, Probe };
    Kind kind = Kind::Monitor;
    std::string scannerTemplate;
    ManualRouter::Ask ask;
};

// The meter at the bench: measures a channel's output and calibrates
// channels, keeping each channel's calibration in the board's store.
class MeterBench {
  public:
    MeterBench(remote::Operations& ops, std::unique_ptr<meter::ScpiMeter> meter,
               const RouteChoice& route, CalibrationStore& store);

    // The meter's reading at the channel's output, routed there and back.
    // Throws MeterFailure (also when the operator stops a probe move).
    double measure(int channelIndex);
    CalibrationResult calibrate(const std::vector<int>& channelIndices);

    meter::ScpiMeter& meter() { return *meter_; }
    Router& router() { return *router_; }

  private:
    remote::Operations& ops_;
    std::unique_ptr<meter::ScpiMeter> meter_;
    std::unique_ptr<Router> router_;
    CalibrationStore& store_;
};

// FULL or PARTIAL (the trim could not reach), the gain error (% of full
// scale) and offset (V) before, M, C, and the gain error and offset after;
// NONE without a calibration.
std::string calibrationText(const ChannelCalibration* calibration);

}  // namespace kteval::measure
