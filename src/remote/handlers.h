#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "command_table.h"
#include "dac.h"
#include "kt442x_module.h"
#include "limit_handlers.h"
#include "numbers.h"
#include "part_rules.h"

namespace kteval::remote {

// The handlers of the command table. Each validates its parameters before it
// calls an operation; a rejected command calls none.

// *IDN?'s four fields: manufacturer, model (the part), serial number (the
// board's name) and firmware revision (the program's version). The network
// identification shows the same.
std::array<std::string, 4> identityFields(const Operations& ops);

ErrorCode identify(CommandContext& context);
ErrorCode clearStatus(CommandContext& context);
ErrorCode operationComplete(CommandContext& context);
ErrorCode nothing(CommandContext& context);
ErrorCode nextError(CommandContext& context);
ErrorCode selectChannel(CommandContext& context);
ErrorCode selectedChannel(CommandContext& context);
ErrorCode setMux(CommandContext& context);
ErrorCode muxSource(CommandContext& context);
ErrorCode outputVoltage(CommandContext& context);
ErrorCode writeOffset(CommandContext& context);
ErrorCode offsetCode(CommandContext& context);
ErrorCode setReference(CommandContext& context);
ErrorCode referenceVoltage(CommandContext& context);
ErrorCode loadWord(CommandContext& context);
ErrorCode pulseLdac(CommandContext& context);
ErrorCode pulseReset(CommandContext& context);
ErrorCode setMonitor(CommandContext& context);
ErrorCode setMonitorSource(CommandContext& context);
ErrorCode setGpioMode(CommandContext& context);
ErrorCode readGpio(CommandContext& context);
ErrorCode reloadBoard(CommandContext& context);
ErrorCode outputVoltageExact(CommandContext& context);
ErrorCode statePart(CommandContext& context);
ErrorCode partName(CommandContext& context);

// An action's outcome as a command's result.
inline ErrorCode resultOf(Outcome outcome) {
    return outcome == Outcome::Done ? ErrorCode::NoError : ErrorCode::ExecutionError;
}

// readCode (or another reader of its kind) of the command's only parameter; a
// value out of range names the limit in the error's detail ("above 16383", or
// "below 0").
using CodeReader = ErrorCode (*)(const Param&, uint32_t, uint32_t&);
ErrorCode readCodeParameter(CommandContext& context, uint32_t limit, uint32_t& value,
                            CodeReader reader = readCode);

// Character data naming one of forms (short or long form, any case); chosen
// is its position. Other text: -224; a number or a string: -104.
ErrorCode readChoice(const Param& param, std::span<const std::string_view> forms,
                     std::size_t& chosen);

// A level parameter: HIGH or LOW (or 1 / 0). high is set on success.
ErrorCode readLevel(const Param& param, bool& high);

template <Register reg>
ErrorCode writeRegister(CommandContext& context) {
    uint32_t code = 0;
    const ErrorCode error =
        readCodeParameter(context, largestRegisterCode(context.part->bits), code);
    if (error != ErrorCode::NoError) return error;
    const ErrorCode beyond = checkRegisterWrite(context, reg, code);
    if (beyond != ErrorCode::NoError) return beyond;
    return resultOf(context.ops.writeChannelRegister(context.index, reg, code));
}

template <int32_t DAC::*field>
ErrorCode registerValue(CommandContext& context) {
    context.answer = std::to_string(context.ops.module().DACs(context.index).*field);
    return ErrorCode::NoError;
}

template <Line line>
ErrorCode lineLevel(CommandContext& context) {
    context.answer = context.ops.lineHigh(line) ? "HIGH" : "LOW";
    return ErrorCode::NoError;
}

template <Line line>
ErrorCode setLine(CommandContext& context) {
    bool high = false;
    const ErrorCode error = readLevel(context.params[0], high);
    if (error != ErrorCode::NoError) return error;
    return resultOf(context.ops.setLine(line, high));
}

}  // namespace kteval::remote
