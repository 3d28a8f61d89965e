#include "voltage_setting.h"

#include <cmath>

#include "effective_code.h"
#include "output_voltage.h"
#include "part_rules.h"

namespace kteval {

namespace {

// The output voltage of input code x, as the voltage table computes it from
// the effective code.
double voltageOfInput(const PartInfo& part, const ChannelSettings& s, int32_t x) {
    const int32_t effective = *effectiveCode(part.bits, x, s.m, s.c);
    return outputVoltage(part, effective, s.offsetCode, s.vref);
}

int32_t largestInput(const PartInfo& part) {
    return static_cast<int32_t>(largestRegisterCode(part.bits));
}

}  // namespace

ChannelSettings channelSettings(const KT442xModule& module, int channelIndex,
                                const std::array<double, 3>& referenceVolts) {
    const DAC& record = module.DACs(channelIndex);
    ChannelSettings settings{record.M, record.C, 0, 0.0};
    const PartInfo* part = module.part();
    if (part == nullptr) return settings;
    if (const std::optional<int> k =
            voltageGroupOf(*part, channelNumberOfIndex(part, channelIndex))) {
        const auto group = static_cast<std::size_t>(*k);
        settings.offsetCode = module.OffsetCode[group];
        settings.vref = referenceVolts[group];
    }
    return settings;
}

VoltageReach voltageReach(const PartInfo& part, const ChannelSettings& settings) {
    const double first = voltageOfInput(part, settings, 0);
    const double last = voltageOfInput(part, settings, largestInput(part));
    return {std::fmin(first, last), std::fmax(first, last), 4.0 * settings.vref / part.divisor};
}

std::optional<int32_t> inputCodeForVoltage(const PartInfo& part, const ChannelSettings& settings,
                                           double volts) {
    const VoltageReach reach = voltageReach(part, settings);
    const double half = std::fabs(reach.step) / 2;
    if (!(volts >= reach.lowest - half && volts <= reach.highest + half)) return std::nullopt;
    if (settings.vref == 0.0) return 0;
    // The voltage grows with the input code for a positive reference and falls
    // for a negative one: search the first code at or past the target.
    const double sign = settings.vref > 0 ? 1.0 : -1.0;
    int32_t low = 0;
    int32_t high = largestInput(part);
    while (low < high) {
        const int32_t middle = low + (high - low) / 2;
        if (sign * voltageOfInput(part, settings, middle) < sign * volts) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low == 0) return 0;
    // Of the first code past the target and the last one before it, the
    // nearer; the one before it wins a tie, and so does the lowest code of it.
    const double above = std::fabs(voltageOfInput(part, settings, low) - volts);
    const double belowVolts = voltageOfInput(part, settings, low - 1);
    if (above < std::fabs(belowVolts - volts)) return low;
    int32_t below = low - 1;
    while (below > 0 && voltageOfInput(part, settings, below - 1) == belowVolts) --below;
    return below;
}

}  // namespace kteval
