#include "setup_handlers.h"

#include <array>
#include <charconv>
#include <string>
#include <string_view>

#include "handlers.h"
#include "learn.h"
#include "output_voltage.h"
#include "voltage_setting.h"

namespace kteval::remote {

namespace {

std::array<double, 3> referenceVolts(const Operations& ops) {
    return {ops.referenceVolts(0), ops.referenceVolts(1), ops.referenceVolts(2)};
}

VoltageReach reachOf(CommandContext& context) {
    const ChannelSettings settings =
        channelSettings(context.ops.module(), context.index, referenceVolts(context.ops));
    return voltageReach(*context.part, settings);
}

// A voltage: a decimal number, bare or with the unit V (any case).
ErrorCode readVolts(const Param& param, double& volts) {
    std::string_view text = param.text;
    if (param.kind == ParamKind::DecimalWithUnit) {
        while (!text.empty() && isWhiteSpace(text.back())) text.remove_suffix(1);
        if (text.empty() || (text.back() != 'V' && text.back() != 'v')) {
            return ErrorCode::DataTypeError;
        }
        text.remove_suffix(1);
        while (!text.empty() && isWhiteSpace(text.back())) text.remove_suffix(1);
    } else if (param.kind != ParamKind::Decimal) {
        return ErrorCode::DataTypeError;
    }
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), volts);
    if (result.ec == std::errc::result_out_of_range) return ErrorCode::DataOutOfRange;
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return ErrorCode::SyntaxError;
    }
    return ErrorCode::NoError;
}

}  // namespace

ErrorCode learn(CommandContext& context) {
    context.answer =
        learnLine(context.ops.module(), {referenceVolts(context.ops), context.ops.gpioMode()});
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
    const ChannelSettings settings =
        channelSettings(context.ops.module(), context.index, referenceVolts(context.ops));
    const std::optional<int32_t> code = inputCodeForVoltage(*context.part, settings, volts);
    if (!code) {
        const VoltageReach reach = voltageReach(*context.part, settings);
        context.detail = "reachable " + formatDecimal(reach.lowest) + " to " +
                         formatDecimal(reach.highest) + " V";
        return ErrorCode::DataOutOfRange;
    }
    const bool registerB = context.ops.module().DACs(context.index).ABsel == 1;
    return resultOf(context.ops.writeChannelRegister(
        context.index, registerB ? Register::X1B : Register::X1A, static_cast<uint32_t>(*code)));
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
