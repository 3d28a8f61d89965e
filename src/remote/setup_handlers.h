#pragma once

#include "command_table.h"

namespace kteval::remote {

// The handlers of the commands for setups and volts.

// A voltage: a decimal number, bare or with the unit V, MV (millivolts) or UV
// (microvolts), any case, with or without a space before it.
ErrorCode readVolts(const Param& param, double& volts);

// *LRN?: the command line that brings a fresh program to the present state.
ErrorCode learn(CommandContext& context);
// INPut A|B: as a click on the A/B option; INPut?: which one is chosen.
ErrorCode chooseInput(CommandContext& context);
ErrorCode inputChoice(CommandContext& context);
// DAC<n>:VOLTage <volts>: the input code nearest to the voltage into the input
// register that feeds the channel's DAC register, as "X >>" does.
ErrorCode setVoltage(CommandContext& context);
// DAC<n>:VOLTage:RANGe? and :STEP?: the reach of the channel's output.
ErrorCode voltageRange(CommandContext& context);
ErrorCode voltageStep(CommandContext& context);

}  // namespace kteval::remote
