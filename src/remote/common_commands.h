#pragma once

#include "command_table.h"

namespace kteval::remote {

// IEEE 488.2 status and self-test, the SCPI-required SYSTem queries, and the
// read-back of the monitor and GPIO settings. Each answers from the client's
// status or from what the window shows; only *TST? sends a request.

ErrorCode setEventEnable(CommandContext& context);        // *ESE
ErrorCode eventEnable(CommandContext& context);           // *ESE?
ErrorCode eventStatus(CommandContext& context);           // *ESR?
ErrorCode setServiceEnable(CommandContext& context);      // *SRE
ErrorCode serviceEnable(CommandContext& context);         // *SRE?
ErrorCode statusByte(CommandContext& context);            // *STB?
ErrorCode selfTest(CommandContext& context);              // *TST?
ErrorCode setOperationComplete(CommandContext& context);  // *OPC
ErrorCode options(CommandContext& context);               // *OPT?
ErrorCode scpiVersion(CommandContext& context);           // SYSTem:VERSion?
ErrorCode errorCount(CommandContext& context);            // SYSTem:ERRor:COUNt?
ErrorCode allErrors(CommandContext& context);             // SYSTem:ERRor:ALL?
ErrorCode monitorState(CommandContext& context);          // MONitor[:STATe]?
ErrorCode monitorSource(CommandContext& context);         // MONitor:SOURce?
ErrorCode gpioMode(CommandContext& context);              // GPIO:MODE?

// *OPC?, *OPC and *WAI: they wait for running ramps and lists.
bool waitsForOperations(const CommandEntry& entry);

}  // namespace kteval::remote
