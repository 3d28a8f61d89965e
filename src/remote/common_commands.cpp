#include "common_commands.h"

#include <string>

#include "handlers.h"
#include "monitor_state.h"

namespace kteval::remote {

namespace {

// The 8-bit mask of *ESE / *SRE: 0-255, a fraction rounded.
ErrorCode readMask(CommandContext& context, uint8_t& mask) {
    uint32_t value = 0;
    const ErrorCode error = readCodeParameter(context, 0xFF, value, readRoundedCode);
    if (error == ErrorCode::NoError) mask = static_cast<uint8_t>(value);
    return error;
}

}  // namespace

ErrorCode setEventEnable(CommandContext& context) {
    uint8_t mask = 0;
    const ErrorCode error = readMask(context, mask);
    if (error == ErrorCode::NoError) context.status.setEventEnable(mask);
    return error;
}

ErrorCode eventEnable(CommandContext& context) {
    context.answer = std::to_string(context.status.eventEnable());
    return ErrorCode::NoError;
}

ErrorCode eventStatus(CommandContext& context) {
    context.answer = std::to_string(context.status.takeEvents());
    return ErrorCode::NoError;
}

ErrorCode setServiceEnable(CommandContext& context) {
    uint8_t mask = 0;
    const ErrorCode error = readMask(context, mask);
    if (error == ErrorCode::NoError) context.status.setServiceEnable(mask);
    return error;
}

ErrorCode serviceEnable(CommandContext& context) {
    context.answer = std::to_string(context.status.serviceEnable());
    return ErrorCode::NoError;
}

ErrorCode statusByte(CommandContext& context) {
    context.answer = std::to_string(context.status.statusByte(!context.errors.empty()));
    return ErrorCode::NoError;
}

ErrorCode selfTest(CommandContext& context) {
    context.answer = std::to_string(context.ops.selfTest());
    return ErrorCode::NoError;
}

ErrorCode setOperationComplete(CommandContext& context) {
    // Commands run in order: every one before *OPC has completed.
    context.status.operationComplete();
    return ErrorCode::NoError;
}

ErrorCode options(CommandContext& context) {
    context.answer = "0";
    return ErrorCode::NoError;
}

ErrorCode scpiVersion(CommandContext& context) {
    context.answer = "1999.0";
    return ErrorCode::NoError;
}

ErrorCode errorCount(CommandContext& context) {
    context.answer = std::to_string(context.errors.size());
    return ErrorCode::NoError;
}

ErrorCode allErrors(CommandContext& context) {
    // Oldest first, emptying the queue; an empty queue answers 0,"No error".
    do {
        if (!context.answer.empty()) context.answer += ',';
        context.answer += errorAnswer(context.errors.pop());
    } while (!context.errors.empty());
    return ErrorCode::NoError;
}

ErrorCode monitorState(CommandContext& context) {
    const bool on = (context.ops.module().MonitorState & kMonitorEnableBit) != 0;
    context.answer = on ? "ON" : "OFF";
    return ErrorCode::NoError;
}

ErrorCode monitorSource(CommandContext& context) {
    context.answer = '"' + context.ops.monitorSourceText() + '"';
    return ErrorCode::NoError;
}

ErrorCode gpioMode(CommandContext& context) {
    context.answer = kGpioModeNames[static_cast<std::size_t>(context.ops.gpioMode())];
    return ErrorCode::NoError;
}

bool waitsForOperations(const CommandEntry& entry) {
    return entry.header == "*OPC" || entry.header == "*WAI";
}

}  // namespace kteval::remote
