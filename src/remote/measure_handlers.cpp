#include "measure_handlers.h"

#include <vector>

#include "output_voltage.h"
#include "part_rules.h"

namespace kteval::remote {

namespace {

// A meter's message as an error's detail: printable ASCII, no '"'.
std::string detailOf(std::string_view message) {
    std::string detail;
    for (const char c : message.substr(0, 200)) {
        const bool printable = c >= 0x20 && c <= 0x7E;
        detail += !printable ? '?' : c == '"' ? '\'' : c;
    }
    return detail;
}

// No meter is -241; a meter that failed -240. Either depends on the moment,
// not on the command: a setup's check lets it through.
ErrorCode meterError(CommandContext& context, const std::string& message) {
    context.detail = detailOf(message);
    context.stateDependent = true;
    return message == Operations::kNoMeter ? ErrorCode::HardwareMissing : ErrorCode::HardwareError;
}

ErrorCode calibrateChannels(CommandContext& context, const std::vector<int>& channels) {
    const std::string error = context.ops.calibrate(channels);
    return error.empty() ? ErrorCode::NoError : meterError(context, error);
}

}  // namespace

ErrorCode measureOutput(CommandContext& context) {
    const Operations::Measured measured = context.ops.measureOutput(context.index);
    if (!measured.volts) return meterError(context, measured.error);
    context.answer = formatExact(*measured.volts);
    return ErrorCode::NoError;
}

ErrorCode calibrateChannel(CommandContext& context) {
    return calibrateChannels(context, {context.index});
}

ErrorCode calibrateAll(CommandContext& context) {
    std::vector<int> channels;
    for (int index = 0; index < kChannelCount; ++index) {
        if (usesChannelIndex(*context.part, index)) channels.push_back(index);
    }
    return calibrateChannels(context, channels);
}

ErrorCode loadCalibration(CommandContext& context) {
    const std::string error = context.ops.applyCalibration();
    if (error.empty()) return ErrorCode::NoError;
    context.detail = detailOf(error);
    context.stateDependent = true;
    return ErrorCode::ExecutionError;
}

ErrorCode calibrationResult(CommandContext& context) {
    context.answer = context.ops.calibrationText(context.index);
    return ErrorCode::NoError;
}

}  // namespace kteval::remote
