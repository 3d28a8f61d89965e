#include "setup_handlers.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "handlers.h"
#include "learn.h"
#include "limit_handlers.h"
#include "output_voltage.h"
#include "part_rules.h"
#include "sequence_handlers.h"
#include "voltage_setting.h"

namespace kteval::remote {

namespace {

VoltageReach reachOf(CommandContext& context) {
    const ChannelSettings settings =
        channelSettings(context.ops.module(), context.index, referenceVoltsOf(context.ops));
    return voltageReach(*context.part, settings);
}

}  // namespace

ErrorCode learn(CommandContext& context) {
    const Operations& ops = context.ops;
    context.answer =
        learnLine(ops.module(),
                  {referenceVoltsOf(ops),
                   ops.gpioMode(),
                   {ops.lineHigh(Line::Reset), ops.lineHigh(Line::Clr), ops.lineHigh(Line::Ldac)},
                   context.ops.sequencer() ? &context.ops.sequencer()->settings : nullptr,
                   channelLimits(ops)});
    return ErrorCode::NoError;
}

ErrorCode chooseInput(CommandContext& context) {
    constexpr std::array<std::string_view, 2> kRegisters{"A", "B"};
    std::size_t chosen = 0;
    const ErrorCode error = readChoice(context.params[0], kRegisters, chosen);
    if (error != ErrorCode::NoError) return error;
    return resultOf(context.ops.chooseInput(chosen == 1));
}

ErrorCode inputChoice(CommandContext& context) {
    context.answer = context.ops.module().UseX1B != 0 ? "B" : "A";
    return ErrorCode::NoError;
}

ErrorCode setVoltage(CommandContext& context) {
    double volts = 0.0;
    const ErrorCode error = readVolts(context.params[0], volts);
    if (error != ErrorCode::NoError) return error;
    ChannelSettings settings =
        channelSettings(context.ops.module(), context.index, referenceVoltsOf(context.ops));
    double shift = 0.0;
    if (const auto calibrated = context.ops.calibratedOutput(context.index)) {
        // The pin of a calibrated channel carries about the ideal output of
        // the input code, scaled and shifted by what the calibration left:
        // the transfer of full-scale M and mid-scale C at a scaled reference.
        const auto largest = static_cast<int32_t>(largestRegisterCode(context.part->bits));
        settings = {largest, (largest + 1) / 2, settings.offsetCode,
                    settings.vref * (1.0 + calibrated->gain)};
        shift = calibrated->offsetVolts;
    }
    const std::optional<int32_t> code = inputCodeForVoltage(*context.part, settings, volts - shift);
    if (!code) {
        const VoltageReach reach = voltageReach(*context.part, settings);
        context.stateDependent = true;
        context.detail = "reachable " + formatDecimal(reach.lowest + shift) + " to " +
                         formatDecimal(reach.highest + shift) + " V";
        return ErrorCode::DataOutOfRange;
    }
    const Register reg =
        context.ops.module().DACs(context.index).ABsel == 1 ? Register::X1B : Register::X1A;
    const ErrorCode beyond = checkRegisterWrite(context, reg, static_cast<uint32_t>(*code));
    if (beyond != ErrorCode::NoError) return beyond;
    return writeOrRamp(context, *code);
}

ErrorCode voltageRange(CommandContext& context) {
    const VoltageReach reach = reachOf(context);
    context.answer = formatDecimal(reach.lowest) + "," + formatDecimal(reach.highest);
    return ErrorCode::NoError;
}

ErrorCode voltageStep(CommandContext& context) {
    context.answer = formatDecimal(reachOf(context).step);
    return ErrorCode::NoError;
}

}  // namespace kteval::remote
