#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "part_catalogue.h"
#include "voltage_setting.h"

namespace kteval::sequence {

// A ramp's input codes (after the present one, ending at the target) and the
// time between two steps.
struct RampPlan {
    std::vector<int32_t> codes;
    std::chrono::nanoseconds interval{0};
};

// The steps from input code from to input code to of a channel with
// settings, so that no step moves the output (the voltage table's
// computation of the effective code) by more than voltsPerSecond x interval.
// The interval is baseInterval, longer when one code step already moves the
// output further than the rate allows in it.
RampPlan planRamp(const PartInfo& part, const ChannelSettings& settings, int32_t from, int32_t to,
                  double voltsPerSecond, std::chrono::nanoseconds baseInterval);

}  // namespace kteval::sequence
