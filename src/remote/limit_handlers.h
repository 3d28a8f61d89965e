#pragma once

#include <cstdint>

#include "channel_limits.h"
#include "command_table.h"

namespace kteval::remote {

// The output limits: their commands, and the check every command that moves
// an output makes before it calls its action. A command that would drive a
// channel's output (present, or after its next LDAC) outside its limits is
// refused with -221 and the breach in the detail; nothing is sent.

// Every channel's limits as the window holds them.
ChannelLimits channelLimits(const Operations& ops);

// The window's outputs as they are now.
OutputState outputState(const Operations& ops);

// NoError when after keeps every channel of the part within its limits.
ErrorCode checkLimits(CommandContext& context, const OutputState& after);

// The checks of the actions that move outputs, on the window's present state.
ErrorCode checkRegisterWrite(CommandContext& context, Register reg, uint32_t code);
ErrorCode checkOffsetWrite(CommandContext& context, uint32_t code);
ErrorCode checkReference(CommandContext& context, double volts);
ErrorCode checkLdac(CommandContext& context);

// DAC<n>:VOLTage:LIMit:LOWer / UPPer <volts>|INFinity|NINFinity and their
// queries.
ErrorCode setLowerLimit(CommandContext& context);
ErrorCode setUpperLimit(CommandContext& context);
ErrorCode lowerLimit(CommandContext& context);
ErrorCode upperLimit(CommandContext& context);

}  // namespace kteval::remote
