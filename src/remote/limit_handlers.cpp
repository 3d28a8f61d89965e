#include "limit_handlers.h"

#include <array>
#include <cmath>
#include <limits>
#include <string_view>

#include "handlers.h"
#include "output_voltage.h"
#include "setup_handlers.h"

namespace kteval::remote {

namespace {

// A bound: volts (with a unit or not), INFinity or NINFinity; a magnitude
// from 9.9E37 up is no bound either.
ErrorCode readBound(const Param& param, double& bound) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    if (param.kind == ParamKind::Characters) {
        constexpr std::array<std::string_view, 2> kWords{"INFinity", "NINFinity"};
        std::size_t chosen = 0;
        const ErrorCode error = readChoice(param, kWords, chosen);
        if (error == ErrorCode::NoError) bound = chosen == 0 ? kInfinity : -kInfinity;
        return error;
    }
    const ErrorCode error = readVolts(param, bound);
    if (error == ErrorCode::NoError && std::fabs(bound) >= kNoBound) {
        bound = std::copysign(kInfinity, bound);
    }
    return error;
}

ErrorCode setLimit(CommandContext& context, bool upper) {
    double bound = 0.0;
    const ErrorCode error = readBound(context.params[0], bound);
    if (error != ErrorCode::NoError) return error;
    VoltLimits limits = context.ops.limits(context.index);
    (upper ? limits.upper : limits.lower) = bound;
    // Both refusals depend on the state: a setup may set the other bound, or
    // move the output, first.
    context.stateDependent = true;
    if (limits.lower > limits.upper) {
        context.detail = upper ? "below lower limit " + limitText(limits.lower)
                               : "above upper limit " + limitText(limits.upper);
        return ErrorCode::SettingsConflict;
    }
    const double present = presentOutputVolts(outputState(context.ops), context.index);
    if (!withinLimits(limits, present)) {
        context.detail = "output is " + formatVoltage(present) + " V";
        return ErrorCode::SettingsConflict;
    }
    context.stateDependent = false;
    return resultOf(context.ops.setLimits(context.index, limits));
}

}  // namespace

ChannelLimits channelLimits(const Operations& ops) {
    ChannelLimits limits;
    for (int index = 0; index < kChannelCount; ++index) limits.set(index, ops.limits(index));
    return limits;
}

OutputState outputState(const Operations& ops) {
    return {ops.module(), referenceVoltsOf(ops)};
}

ErrorCode checkLimits(CommandContext& context, const OutputState& after) {
    const ChannelLimits limits = channelLimits(context.ops);
    if (limits.none() || context.part == nullptr) return ErrorCode::NoError;
    const auto breach = limitBreach(limits, outputState(context.ops), after);
    if (!breach) return ErrorCode::NoError;
    context.detail = breachText(*context.part, *breach);
    context.stateDependent = true;
    return ErrorCode::SettingsConflict;
}

ErrorCode checkRegisterWrite(CommandContext& context, Register reg, uint32_t code) {
    if (channelLimits(context.ops).none()) return ErrorCode::NoError;
    OutputState state = outputState(context.ops);
    // An X write first chooses its register in the A/B option.
    if (reg == Register::X1A) state.module.UseX1B = 0;
    if (reg == Register::X1B) state.module.UseX1B = -1;
    constexpr std::array<int32_t DAC::*, 4> kFields{&DAC::X1A, &DAC::X1B, &DAC::M, &DAC::C};
    return checkLimits(context, afterRegisterWrite(std::move(state), context.index,
                                                   kFields[static_cast<std::size_t>(reg)],
                                                   static_cast<int32_t>(code)));
}

ErrorCode checkOffsetWrite(CommandContext& context, uint32_t code) {
    if (channelLimits(context.ops).none()) return ErrorCode::NoError;
    return checkLimits(context, afterOffsetWrite(outputState(context.ops), context.index,
                                                 static_cast<int32_t>(code)));
}

ErrorCode checkReference(CommandContext& context, double volts) {
    if (channelLimits(context.ops).none()) return ErrorCode::NoError;
    return checkLimits(context, afterReference(outputState(context.ops), context.index, volts));
}

ErrorCode checkLdac(CommandContext& context) {
    if (channelLimits(context.ops).none()) return ErrorCode::NoError;
    OutputState state = outputState(context.ops);
    const bool fromB = state.module.selected().ABsel == 1;
    return checkLimits(context, afterLdac(std::move(state), fromB));
}

ErrorCode setLowerLimit(CommandContext& context) {
    return setLimit(context, false);
}

ErrorCode setUpperLimit(CommandContext& context) {
    return setLimit(context, true);
}

ErrorCode lowerLimit(CommandContext& context) {
    context.answer = limitText(context.ops.limits(context.index).lower);
    return ErrorCode::NoError;
}

ErrorCode upperLimit(CommandContext& context) {
    context.answer = limitText(context.ops.limits(context.index).upper);
    return ErrorCode::NoError;
}

}  // namespace kteval::remote
