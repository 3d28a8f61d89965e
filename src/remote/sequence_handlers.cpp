#include "sequence_handlers.h"

#include <algorithm>
#include <cmath>

#include "channel_limits.h"
#include "effective_code.h"
#include "handlers.h"
#include "output_voltage.h"
#include "part_rules.h"
#include "ramp.h"
#include "voltage_setting.h"

namespace kteval::remote {

namespace {

using sequence::Clock;

// SCPI's stand-in for an infinite value.
constexpr const char* kInfinity = "9.9E37";
// A ramp steps this often unless one code moves the output further.
constexpr std::chrono::milliseconds kRampInterval{10};

bool isWord(const Param& param, std::string_view form) {
    return param.kind == ParamKind::Characters && matchesForm(param.text, form);
}

// The shortest dwell the link keeps for steps of channels words: each step
// is one request a channel and the LDAC pulse, with room for the host.
std::chrono::nanoseconds minimumDwell(const Operations& ops, std::size_t channels) {
    const auto perStep =
        ops.requestTime() * static_cast<int64_t>(std::max<std::size_t>(channels, 1) + 1);
    return perStep * 3 / 2 + std::chrono::microseconds(500);
}

std::string seconds(std::chrono::nanoseconds time) {
    return formatExact(std::chrono::duration<double>(time).count());
}

// Sequences write input register A and load it with LDAC: the channels'
// multiplexers pass X2A, "X >>" writes A, and no other channel holds a value
// LDAC has not loaded, which every pulse would load by surprise.
ErrorCode readyFor(CommandContext& context, const std::vector<int>& channels) {
    if (context.ops.sequencer() == nullptr) return ErrorCode::ExecutionError;
    const KT442xModule& module = context.ops.module();
    context.stateDependent = true;
    if (module.UseX1B != 0) {
        context.detail = "ramps and lists write register A: INPut A first";
        return ErrorCode::SettingsConflict;
    }
    for (int index = 0; index < kChannelCount; ++index) {
        if (!usesChannelIndex(*context.part, index)) continue;
        const DAC& record = module.DACs(index);
        const std::string name = "DAC" + std::to_string(channelNumberOfIndex(context.part, index));
        const bool ours = std::find(channels.begin(), channels.end(), index) != channels.end();
        if (ours && record.ABsel == 1) {
            context.detail = name + ":MUX A first";
            return ErrorCode::SettingsConflict;
        }
        if (!ours && (record.ABsel == 1 ? record.X2B : record.X2A) != record.DACreg) {
            context.detail = name + " holds a value LDAC has not loaded yet";
            return ErrorCode::SettingsConflict;
        }
    }
    context.stateDependent = false;
    return ErrorCode::NoError;
}

// The channel's slew rate; nullopt without one (or without a sequencer).
std::optional<double> slewOf(CommandContext& context) {
    const sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return std::nullopt;
    const auto found = sequencer->settings.slew.find(context.index);
    if (found == sequencer->settings.slew.end()) return std::nullopt;
    return found->second;
}

// The list points of the command's parameters, appended to the channel's list.
ErrorCode readList(CommandContext& context, bool inCodes, bool append) {
    sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return ErrorCode::ExecutionError;
    sequence::ChannelList list;
    if (append) list = sequencer->settings.lists[context.index];
    if (append && !list.points.empty() && list.inCodes != inCodes) {
        context.detail = "the list holds " + std::string(list.inCodes ? "codes" : "volts");
        return ErrorCode::SettingsConflict;
    }
    list.inCodes = inCodes;
    const auto largest = largestRegisterCode(context.part->bits);
    for (const Param& param : context.params) {
        double point = 0.0;
        uint32_t code = 0;
        const ErrorCode error = inCodes ? readCode(param, largest, code) : readVolts(param, point);
        if (error != ErrorCode::NoError) {
            if (error == ErrorCode::DataOutOfRange && inCodes) {
                context.detail = "above " + std::to_string(largest);
            }
            return error;
        }
        list.points.push_back(inCodes ? code : point);
    }
    if (list.points.size() > kMaxListPoints) {
        context.detail = "more than " + std::to_string(kMaxListPoints) + " points";
        return ErrorCode::DataOutOfRange;
    }
    sequencer->settings.lists[context.index] = std::move(list);
    return ErrorCode::NoError;
}

ErrorCode answerList(CommandContext& context, bool inCodes) {
    sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return ErrorCode::ExecutionError;
    const auto found = sequencer->settings.lists.find(context.index);
    if (found == sequencer->settings.lists.end() || found->second.inCodes != inCodes) {
        return ErrorCode::NoError;  // an empty answer: no such list
    }
    for (const double point : found->second.points) {
        if (!context.answer.empty()) context.answer += ',';
        context.answer +=
            inCodes ? std::to_string(static_cast<int64_t>(point)) : formatExact(point);
    }
    return ErrorCode::NoError;
}

}  // namespace

ErrorCode setSlew(CommandContext& context) {
    sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return ErrorCode::ExecutionError;
    const Param& param = context.params[0];
    if (isWord(param, "INFinity")) {
        sequencer->settings.slew.erase(context.index);
        return ErrorCode::NoError;
    }
    double rate = 0.0;
    if (param.kind != ParamKind::Decimal) return ErrorCode::DataTypeError;
    if (const ErrorCode error = readDouble(param.text, rate); error != ErrorCode::NoError) {
        return error;
    }
    if (!(rate > 0.0) || std::isinf(rate)) {
        context.detail = "a rate above 0 V/s, or INF";
        return ErrorCode::DataOutOfRange;
    }
    sequencer->settings.slew[context.index] = rate;
    return ErrorCode::NoError;
}

ErrorCode slewRate(CommandContext& context) {
    const std::optional<double> rate = slewOf(context);
    context.answer = rate ? formatExact(*rate) : kInfinity;
    return ErrorCode::NoError;
}

ErrorCode setListVolts(CommandContext& context) {
    return readList(context, false, false);
}
ErrorCode appendListVolts(CommandContext& context) {
    return readList(context, false, true);
}
ErrorCode setListCodes(CommandContext& context) {
    return readList(context, true, false);
}
ErrorCode appendListCodes(CommandContext& context) {
    return readList(context, true, true);
}
ErrorCode listVolts(CommandContext& context) {
    return answerList(context, false);
}
ErrorCode listCodes(CommandContext& context) {
    return answerList(context, true);
}

ErrorCode setDwell(CommandContext& context) {
    sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return ErrorCode::ExecutionError;
    const auto minimum = minimumDwell(context.ops, sequencer->settings.lists.size());
    const Param& param = context.params[0];
    if (isWord(param, "MINimum")) {
        sequencer->settings.dwell = minimum;
        return ErrorCode::NoError;
    }
    double time = 0.0;
    if (param.kind != ParamKind::Decimal) return ErrorCode::DataTypeError;
    if (const ErrorCode error = readDouble(param.text, time); error != ErrorCode::NoError) {
        return error;
    }
    const std::chrono::duration<double> dwell(time);
    if (!(dwell >= minimum) || time > 1e6) {
        context.detail = "below the link's minimum " + seconds(minimum) + " s";
        if (time > 1e6) context.detail = "above 1000000 s";
        context.stateDependent = true;
        return ErrorCode::DataOutOfRange;
    }
    sequencer->settings.dwell = std::chrono::duration_cast<std::chrono::nanoseconds>(dwell);
    return ErrorCode::NoError;
}

ErrorCode dwellTime(CommandContext& context) {
    const sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return ErrorCode::ExecutionError;
    if (!context.params.empty()) {
        if (!isWord(context.params[0], "MINimum")) return ErrorCode::IllegalParameterValue;
        context.answer = seconds(minimumDwell(context.ops, sequencer->settings.lists.size()));
        return ErrorCode::NoError;
    }
    context.answer = seconds(sequencer->settings.dwell);
    return ErrorCode::NoError;
}

ErrorCode setCount(CommandContext& context) {
    sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return ErrorCode::ExecutionError;
    if (isWord(context.params[0], "INFinity")) {
        sequencer->settings.count = 0;
        return ErrorCode::NoError;
    }
    uint32_t count = 0;
    const ErrorCode error = readCodeParameter(context, 1'000'000'000, count);
    if (error != ErrorCode::NoError) return error;
    if (count == 0) {
        context.detail = "below 1";
        return ErrorCode::DataOutOfRange;
    }
    sequencer->settings.count = count;
    return ErrorCode::NoError;
}

ErrorCode listCount(CommandContext& context) {
    const sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return ErrorCode::ExecutionError;
    context.answer =
        sequencer->settings.count == 0 ? kInfinity : std::to_string(sequencer->settings.count);
    return ErrorCode::NoError;
}

ErrorCode setTriggerSource(CommandContext& context) {
    sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return ErrorCode::ExecutionError;
    constexpr std::array<std::string_view, 2> kSources{"IMMediate", "BUS"};
    std::size_t chosen = 0;
    const ErrorCode error = readChoice(context.params[0], kSources, chosen);
    if (error != ErrorCode::NoError) return error;
    sequencer->settings.trigger =
        chosen == 0 ? sequence::TriggerSource::Immediate : sequence::TriggerSource::Bus;
    return ErrorCode::NoError;
}

ErrorCode triggerSource(CommandContext& context) {
    const sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return ErrorCode::ExecutionError;
    context.answer = sequencer->settings.trigger == sequence::TriggerSource::Bus ? "BUS" : "IMM";
    return ErrorCode::NoError;
}

ErrorCode initiate(CommandContext& context) {
    sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer == nullptr) return ErrorCode::ExecutionError;
    const sequence::SequenceSettings& settings = sequencer->settings;
    if (settings.lists.empty()) {
        context.detail = "no channel has a list";
        return ErrorCode::SettingsConflict;
    }
    std::vector<int> channels;
    for (const auto& [index, list] : settings.lists) {
        if (list.points.size() != settings.lists.begin()->second.points.size()) {
            return ErrorCode::ListsNotSameLength;
        }
        if (list.points.empty()) {
            context.detail = "an empty list";
            return ErrorCode::SettingsConflict;
        }
        channels.push_back(index);
    }
    if (sequencer->listRunning() || sequencer->waitingForTrigger()) {
        context.detail = "a list is running: ABORt first";
        context.stateDependent = true;
        return ErrorCode::SettingsConflict;
    }
    if (const ErrorCode error = readyFor(context, channels); error != ErrorCode::NoError) {
        return error;
    }
    const auto minimum = minimumDwell(context.ops, channels.size());
    if (settings.dwell < minimum) {
        context.detail = "dwell below the link's minimum " + seconds(minimum) + " s";
        context.stateDependent = true;
        return ErrorCode::DataOutOfRange;
    }
    // Volts become input codes with each channel's present settings.
    std::vector<std::pair<int, std::vector<int32_t>>> codes;
    for (const auto& [index, list] : settings.lists) {
        const ChannelSettings channel =
            channelSettings(context.ops.module(), index, referenceVoltsOf(context.ops));
        std::vector<int32_t> points;
        for (const double point : list.points) {
            const std::optional<int32_t> code =
                list.inCodes ? std::optional<int32_t>(static_cast<int32_t>(point))
                             : inputCodeForVoltage(*context.part, channel, point);
            if (!code) {
                context.detail = "DAC" + std::to_string(channelNumberOfIndex(context.part, index)) +
                                 " cannot reach " + formatExact(point) + " V";
                context.stateDependent = true;
                return ErrorCode::DataOutOfRange;
            }
            // Every step stays within the channel's limits.
            const double output = outputVoltage(
                *context.part, *effectiveCode(context.part->bits, *code, channel.m, channel.c),
                channel.offsetCode, channel.vref);
            if (!withinLimits(context.ops.limits(index), output)) {
                context.detail = "DAC" + std::to_string(channelNumberOfIndex(context.part, index)) +
                                 " would reach " + formatExact(output) + " V, beyond its limits";
                context.stateDependent = true;
                return ErrorCode::SettingsConflict;
            }
            points.push_back(*code);
        }
        codes.emplace_back(index, std::move(points));
    }
    // The first step's words go out before its pulse: it starts that much later.
    const auto lead = context.ops.requestTime() * static_cast<int64_t>(codes.size() + 1);
    sequencer->startList(std::move(codes), settings.dwell, settings.count, settings.trigger,
                         Clock::now() + lead);
    context.ops.sequencesChanged();
    return ErrorCode::NoError;
}

ErrorCode abortSequences(CommandContext& context) {
    if (sequence::Sequencer* sequencer = context.ops.sequencer()) {
        sequencer->abort();
        context.ops.sequencesChanged();
    }
    return ErrorCode::NoError;
}

ErrorCode busTrigger(CommandContext& context) {
    sequence::Sequencer* sequencer = context.ops.sequencer();
    if (sequencer != nullptr && sequencer->waitingForTrigger()) {
        const auto lead =
            context.ops.requestTime() * static_cast<int64_t>(sequencer->settings.lists.size() + 1);
        sequencer->trigger(Clock::now() + lead);
        context.ops.sequencesChanged();
    }
    return ErrorCode::NoError;
}

ErrorCode operationCondition(CommandContext& context) {
    // SCPI's operation status bits: 3 sweeping, 5 waiting for a trigger.
    const sequence::Sequencer* sequencer = context.ops.sequencer();
    int condition = 0;
    if (sequencer != nullptr && (sequencer->listRunning() || sequencer->rampRunning())) {
        condition |= 1 << 3;
    }
    if (sequencer != nullptr && sequencer->waitingForTrigger()) condition |= 1 << 5;
    context.answer = std::to_string(condition);
    return ErrorCode::NoError;
}

ErrorCode writeOrRamp(CommandContext& context, int32_t code) {
    sequence::Sequencer* sequencer = context.ops.sequencer();
    const DAC& record = context.ops.module().DACs(context.index);
    const std::optional<double> slew = slewOf(context);
    if (!slew) {
        if (sequencer != nullptr && sequencer->channelBusy(context.index)) {
            context.detail = "a ramp or list moves the channel: ABORt first";
            context.stateDependent = true;
            return ErrorCode::SettingsConflict;
        }
        const bool registerB = record.ABsel == 1;
        return resultOf(context.ops.writeChannelRegister(
            context.index, registerB ? Register::X1B : Register::X1A, static_cast<uint32_t>(code)));
    }
    if (const ErrorCode error = readyFor(context, {context.index}); error != ErrorCode::NoError) {
        return error;
    }
    const ChannelSettings settings =
        channelSettings(context.ops.module(), context.index, referenceVoltsOf(context.ops));
    const auto base =
        std::max<std::chrono::nanoseconds>(kRampInterval, minimumDwell(context.ops, 1));
    // From where the channel is: its input code, or the step a ramp reached.
    sequence::RampPlan plan =
        sequence::planRamp(*context.part, settings, record.X1A, code, *slew, base);
    sequencer->startRamp(context.index, std::move(plan.codes), plan.interval, Clock::now());
    context.ops.sequencesChanged();
    return ErrorCode::NoError;
}

}  // namespace kteval::remote
