#pragma once

#include "command_table.h"

namespace kteval::remote {

// DAC<n>:MEASure?, DAC<n>:CALibrate, CALibrate:ALL, DAC<n>:CALibrate?.
ErrorCode measureOutput(CommandContext& context);
ErrorCode calibrateChannel(CommandContext& context);
ErrorCode calibrateAll(CommandContext& context);
ErrorCode calibrationResult(CommandContext& context);
ErrorCode loadCalibration(CommandContext& context);

}  // namespace kteval::remote
