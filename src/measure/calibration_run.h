#pragma once

#include <optional>
#include <string>
#include <vector>

#include "calibration.h"
#include "operations.h"
#include "routing.h"
#include "scpi_meter.h"

namespace kteval::measure {

// One channel's calibration: its error as found (M at full scale, C at
// mid-scale), the trim written, and its error measured with the trim, both
// against the ideal output of the input code.
struct ChannelCalibration {
    int channelIndex = 0;
    DacTransfer ideal;
    TransferError before;
    Trim trim;
    TransferError after;
};

struct CalibrationResult {
    std::vector<ChannelCalibration> channels;  // those finished
    std::optional<std::string> failure;        // why it stopped early
    bool cancelled = false;
};

// Calibrates each channel in turn: routes it to the meter, sets M to full
// scale and C to mid-scale, measures two points (about 10 % and 90 %),
// writes the M and C of the nearest trim through "M >>" and "C >>", and
// measures the two points again. The routing is put back at the end.
CalibrationResult calibrate(remote::Operations& ops, meter::ScpiMeter& meter, Router& router,
                            const std::vector<int>& channelIndices);

// The ideal transfer of a channel as the window's voltage table computes it.
DacTransfer channelTransfer(const remote::Operations& ops, int channelIndex);

}  // namespace kteval::measure
