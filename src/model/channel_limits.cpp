#include "channel_limits.h"

#include <cmath>

#include "effective_code.h"
#include "output_voltage.h"
#include "part_rules.h"

namespace kteval {

namespace {

// The voltage table's computation for one channel, with the DAC register
// replaced by code.
double outputOfCode(const OutputState& state, int channelIndex, int32_t code) {
    KT442xModule module = state.module;
    module.DACs(channelIndex).DACreg = code;
    return channelOutputVolts(module.PartName, channelNumberOfIndex(module.part(), channelIndex),
                              module.DACs, module.OffsetCode, state.referenceVolts);
}

std::optional<LimitBreach> breachOf(const VoltLimits& limits, int channelIndex, double volts) {
    if (volts > limits.upper) return LimitBreach{channelIndex, volts, true, limits.upper};
    if (volts < limits.lower) return LimitBreach{channelIndex, volts, false, limits.lower};
    return std::nullopt;
}

}  // namespace

bool withinLimits(const VoltLimits& limits, double volts) {
    return volts >= limits.lower && volts <= limits.upper;
}

const VoltLimits& ChannelLimits::of(int channelIndex) const {
    KTEVAL_EXPECTS(channelIndex >= 0 && channelIndex < kChannelCount);
    return limits_[static_cast<std::size_t>(channelIndex)];
}

void ChannelLimits::set(int channelIndex, const VoltLimits& limits) {
    KTEVAL_EXPECTS(channelIndex >= 0 && channelIndex < kChannelCount);
    limits_[static_cast<std::size_t>(channelIndex)] = limits;
}

bool ChannelLimits::none() const {
    for (const VoltLimits& limits : limits_) {
        if (limits != VoltLimits{}) return false;
    }
    return true;
}

double presentOutputVolts(const OutputState& state, int channelIndex) {
    return outputOfCode(state, channelIndex, state.module.DACs(channelIndex).DACreg);
}

double nextLoadOutputVolts(const OutputState& state, int channelIndex) {
    const DAC& record = state.module.DACs(channelIndex);
    return outputOfCode(state, channelIndex, record.ABsel == 1 ? record.X2B : record.X2A);
}

OutputState afterRegisterWrite(OutputState state, int channelIndex, int32_t DAC::*field,
                               int32_t code) {
    state.module.SelectedDAC = static_cast<int16_t>(channelIndex);
    state.module.selected().*field = code;
    updateX2(state.module);
    return state;
}

OutputState afterOffsetWrite(OutputState state, int k, int32_t code) {
    state.module.OffsetCode[static_cast<std::size_t>(k)] = code;
    return state;
}

OutputState afterReference(OutputState state, int k, double volts) {
    state.referenceVolts[static_cast<std::size_t>(k)] = volts;
    return state;
}

OutputState afterLdac(OutputState state, bool fromB) {
    DAC& record = state.module.selected();
    record.DACreg = fromB ? record.X2B : record.X2A;
    return state;
}

std::optional<LimitBreach> limitBreach(const ChannelLimits& limits, const OutputState& before,
                                       const OutputState& after) {
    const PartInfo* part = after.module.part();
    if (part == nullptr || limits.none()) return std::nullopt;
    for (int index = 0; index < kChannelCount; ++index) {
        if (!usesChannelIndex(*part, index)) continue;
        for (const auto output : {presentOutputVolts, nextLoadOutputVolts}) {
            const double volts = output(after, index);
            if (volts == output(before, index)) continue;
            if (const auto breach = breachOf(limits.of(index), index, volts)) return breach;
        }
    }
    return std::nullopt;
}

std::string breachText(const PartInfo& part, const LimitBreach& breach) {
    return "DAC" + std::to_string(channelNumberOfIndex(&part, breach.channelIndex)) +
           " would reach " + formatVoltage(breach.volts) + " V, " +
           (breach.upper ? "above its upper limit " : "below its lower limit ") +
           formatVoltage(breach.limit) + " V";
}

std::string limitText(double bound) {
    if (bound >= kNoBound) return "9.9E37";
    if (bound <= -kNoBound) return "-9.9E37";
    return formatExact(bound);
}

}  // namespace kteval
