#pragma once

#include <cstdint>

#include "command_table.h"

namespace kteval::remote {

// Ramps, lists and their trigger: DAC<n>:VOLTage:SLEW, DAC<n>:LIST:VOLTage,
// DAC<n>:LIST:CODE (and :APPend), LIST:DWELl, LIST:COUNt, TRIGger:SOURce,
// INITiate, ABORt, *TRG, STATus:OPERation:CONDition?.
ErrorCode setSlew(CommandContext& context);
ErrorCode slewRate(CommandContext& context);
ErrorCode setListVolts(CommandContext& context);
ErrorCode appendListVolts(CommandContext& context);
ErrorCode setListCodes(CommandContext& context);
ErrorCode appendListCodes(CommandContext& context);
ErrorCode listVolts(CommandContext& context);
ErrorCode listCodes(CommandContext& context);
ErrorCode setDwell(CommandContext& context);
ErrorCode dwellTime(CommandContext& context);
ErrorCode setCount(CommandContext& context);
ErrorCode listCount(CommandContext& context);
ErrorCode setTriggerSource(CommandContext& context);
ErrorCode triggerSource(CommandContext& context);
ErrorCode initiate(CommandContext& context);
ErrorCode abortSequences(CommandContext& context);
ErrorCode busTrigger(CommandContext& context);
ErrorCode operationCondition(CommandContext& context);

// DAC<n>:VOLTage's last step: input code into the register the channel's
// output uses, at once, or as a ramp when the channel has a slew rate.
ErrorCode writeOrRamp(CommandContext& context, int32_t code);

// The most points a channel's list holds.
inline constexpr std::size_t kMaxListPoints = 16384;

}  // namespace kteval::remote
