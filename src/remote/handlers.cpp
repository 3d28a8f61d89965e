#include "handlers.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "monitor_state.h"
#include "output_voltage.h"
#include "part_rules.h"

namespace kteval::remote {

namespace {

// A two-way choice that also takes the numbers 1 (first form) and 0 (second).
ErrorCode readSwitch(const Param& param, std::string_view on, std::string_view off, bool& result) {
    if (param.kind == ParamKind::Decimal || param.kind == ParamKind::NonDecimal) {
        uint32_t value = 0;
        const ErrorCode error = readCode(param, 1, value);
        if (error == ErrorCode::DataOutOfRange) return ErrorCode::IllegalParameterValue;
        if (error != ErrorCode::NoError) return error;
        result = value == 1;
        return ErrorCode::NoError;
    }
    const std::array forms{on, off};
    std::size_t chosen = 0;
    const ErrorCode error = readChoice(param, forms, chosen);
    if (error == ErrorCode::NoError) result = chosen == 0;
    return error;
}

}  // namespace

// Character data naming one of forms (short or long form, any case); chosen
// is its position. Other text: -224; a number or a string: -104.
ErrorCode readChoice(const Param& param, std::span<const std::string_view> forms,
                     std::size_t& chosen) {
    if (param.kind != ParamKind::Characters) return ErrorCode::DataTypeError;
    for (std::size_t i = 0; i < forms.size(); ++i) {
        if (matchesForm(param.text, forms[i])) {
            chosen = i;
            return ErrorCode::NoError;
        }
    }
    return ErrorCode::IllegalParameterValue;
}

ErrorCode readCodeParameter(CommandContext& context, uint32_t limit, uint32_t& value,
                            CodeReader reader) {
    const Param& param = context.params[0];
    const ErrorCode error = reader(param, limit, value);
    if (error == ErrorCode::DataOutOfRange) {
        // Only a negative decimal is out of range at the low end.
        context.detail = param.text.starts_with('-') ? "below 0" : "above " + std::to_string(limit);
    }
    return error;
}

ErrorCode readLevel(const Param& param, bool& high) {
    return readSwitch(param, "HIGH", "LOW", high);
}

std::array<std::string, 4> identityFields(const Operations& ops) {
    return {"kteval", ops.module().PartName, ops.boardName(), ops.programVersion()};
}

ErrorCode identify(CommandContext& context) {
    const std::array<std::string, 4> fields = identityFields(context.ops);
    context.answer = fields[0] + ',' + fields[1] + ',' + fields[2] + ',' + fields[3];
    return ErrorCode::NoError;
}

ErrorCode clearStatus(CommandContext& context) {
    context.errors.clear();
    context.status.clearEvents();
    return ErrorCode::NoError;
}

ErrorCode operationComplete(CommandContext& context) {
    context.answer = "1";
    return ErrorCode::NoError;
}

ErrorCode nothing(CommandContext&) {
    return ErrorCode::NoError;
}

ErrorCode nextError(CommandContext& context) {
    context.answer = errorAnswer(context.errors.pop());
    return ErrorCode::NoError;
}

ErrorCode selectChannel(CommandContext& context) {
    if (context.part == nullptr) return ErrorCode::DataOutOfRange;
    uint32_t number = 0;
    const auto largest = static_cast<uint32_t>(largestChannelNumber(*context.part));
    const ErrorCode error = readCodeParameter(context, largest, number);
    if (error != ErrorCode::NoError) return error;
    const int index = indexOfChannelNumber(context.part, static_cast<int>(number));
    return resultOf(context.ops.selectChannel(index));
}

ErrorCode selectedChannel(CommandContext& context) {
    const KT442xModule& module = context.ops.module();
    context.answer = std::to_string(channelNumberOfIndex(context.part, module.SelectedDAC));
    return ErrorCode::NoError;
}

ErrorCode setMux(CommandContext& context) {
    constexpr std::array<std::string_view, 2> kSources{"A", "B"};
    std::size_t chosen = 0;
    const ErrorCode error = readChoice(context.params[0], kSources, chosen);
    if (error != ErrorCode::NoError) return error;
    return resultOf(context.ops.setMux(context.index, chosen == 0 ? MuxSource::A : MuxSource::B));
}

ErrorCode muxSource(CommandContext& context) {
    context.answer = context.ops.module().DACs(context.index).ABsel == 1 ? "B" : "A";
    return ErrorCode::NoError;
}

ErrorCode outputVoltage(CommandContext& context) {
    context.answer = context.ops.outputVoltageText(context.index);
    return ErrorCode::NoError;
}

ErrorCode outputVoltageExact(CommandContext& context) {
    const KT442xModule& module = context.ops.module();
    const Operations& ops = context.ops;
    context.answer = formatExact(
        channelOutputVolts(module.PartName, channelNumberOfIndex(context.part, context.index),
                           module.DACs, module.OffsetCode, referenceVoltsOf(ops)));
    return ErrorCode::NoError;
}

ErrorCode writeOffset(CommandContext& context) {
    uint32_t code = 0;
    const ErrorCode error = readCodeParameter(context, largestCode(kOffsetCodeBits), code);
    if (error != ErrorCode::NoError) return error;
    const ErrorCode beyond = checkOffsetWrite(context, code);
    if (beyond != ErrorCode::NoError) return beyond;
    return resultOf(context.ops.writeOffset(context.index, code));
}

ErrorCode offsetCode(CommandContext& context) {
    const auto k = static_cast<std::size_t>(context.index);
    context.answer = std::to_string(context.ops.module().OffsetCode[k]);
    return ErrorCode::NoError;
}

ErrorCode setReference(CommandContext& context) {
    const Param& param = context.params[0];
    if (param.kind == ParamKind::NonDecimal) return ErrorCode::DataTypeError;
    const std::string_view text = param.kind == ParamKind::String ? param.value : param.text;
    const ErrorCode beyond = checkReference(context, readReferenceText(text));
    if (beyond != ErrorCode::NoError) return beyond;
    return resultOf(context.ops.setReference(context.index, text));
}

ErrorCode referenceVoltage(CommandContext& context) {
    context.answer = formatDecimal(context.ops.referenceVolts(context.index));
    return ErrorCode::NoError;
}

ErrorCode loadWord(CommandContext& context) {
    uint32_t word = 0;
    const ErrorCode error = readCodeParameter(context, largestCode(kRawWordBits), word);
    if (error != ErrorCode::NoError) return error;
    return resultOf(context.ops.loadWord(word));
}

ErrorCode pulseLdac(CommandContext& context) {
    const ErrorCode beyond = checkLdac(context);
    if (beyond != ErrorCode::NoError) return beyond;
    return resultOf(context.ops.pulseLdac());
}

ErrorCode pulseReset(CommandContext& context) {
    return resultOf(context.ops.pulseReset());
}

ErrorCode setMonitor(CommandContext& context) {
    bool on = false;
    const ErrorCode error = readSwitch(context.params[0], "ON", "OFF", on);
    if (error != ErrorCode::NoError) return error;
    return resultOf(context.ops.setMonitor(on));
}

ErrorCode setMonitorSource(CommandContext& context) {
    const Param& param = context.params[0];
    if (param.kind != ParamKind::String) return ErrorCode::DataTypeError;
    for (int position = 0; position < monitorEntryCount(*context.part); ++position) {
        if (!equalIgnoringCase(param.value, monitorEntryText(position))) continue;
        // The operator cannot pick from the list while the monitor is disabled.
        if (!monitorOn(context.ops.module().MonitorState)) {
            context.stateDependent = true;
            return ErrorCode::ExecutionError;
        }
        return resultOf(context.ops.setMonitorSource(position));
    }
    return ErrorCode::IllegalParameterValue;
}

ErrorCode setGpioMode(CommandContext& context) {
    constexpr std::array<std::string_view, 3> kModes{"INPut", "LOW", "HIGH"};
    constexpr std::array<GpioMode, 3> kGpioModes{GpioMode::Input, GpioMode::Low, GpioMode::High};
    std::size_t chosen = 0;
    const ErrorCode error = readChoice(context.params[0], kModes, chosen);
    if (error != ErrorCode::NoError) return error;
    return resultOf(context.ops.setGpioMode(kGpioModes[chosen]));
}

ErrorCode readGpio(CommandContext& context) {
    const ErrorCode error = resultOf(context.ops.readGpio());
    if (error != ErrorCode::NoError) return error;
    context.answer = context.ops.module().GpioHigh ? "HIGH" : "LOW";
    return ErrorCode::NoError;
}

ErrorCode reloadBoard(CommandContext& context) {
    return resultOf(context.ops.reloadBoard());
}

// PART <name>: a setup states the part it was made for; on another part it is
// refused before any of its commands runs.
ErrorCode statePart(CommandContext& context) {
    const Param& param = context.params[0];
    if (param.kind != ParamKind::Characters && param.kind != ParamKind::String) {
        return ErrorCode::DataTypeError;
    }
    const std::string_view name = param.kind == ParamKind::String ? param.value : param.text;
    const auto& parts = partCatalogue();
    if (std::none_of(parts.begin(), parts.end(),
                     [&](const PartInfo& part) { return equalIgnoringCase(name, part.name); })) {
        return ErrorCode::IllegalParameterValue;
    }
    if (context.part == nullptr || !equalIgnoringCase(name, context.part->name)) {
        context.detail = "running " + context.ops.module().PartName;
        return ErrorCode::SettingsConflict;
    }
    return ErrorCode::NoError;
}

ErrorCode partName(CommandContext& context) {
    context.answer = context.ops.module().PartName;
    return ErrorCode::NoError;
}

}  // namespace kteval::remote
