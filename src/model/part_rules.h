#pragma once

#include <cstdint>
#include <string>

#include "part_catalogue.h"

namespace kteval {

// The limits and the controls of a part, decided once for the window's
// handlers (which refuse with a box) and the command layer (which answers
// with an error).

// Bit lengths the write buttons give CheckText.
inline constexpr int kRegisterEntryBits = 16;  // "X >>", "M >>", "C >>" rows
inline constexpr int kOffsetCodeBits = 14;     // ">> Offset DAC k"
inline constexpr int kRawWordBits = 24;        // "Load Command"

// 2^bits - 1, the largest value of a bits-wide code (bits 0-31).
uint32_t largestCode(int bits);

// The largest X1A, X1B, M or C code of a part of partBits bits: a larger one
// would not fit the data field once scaled on the 14-bit parts.
uint32_t largestRegisterCode(int partBits);

// The offset DACs and reference entries a part shows: 0 and 1, and 2 on the
// parts with a third reference; none without a part.
int offsetDacCount(const PartInfo* part);
bool hasOffsetDac(const PartInfo* part, int k);

// The largest channel number of the part (channels - 1).
int largestChannelNumber(const PartInfo& part);

// The monitor and GPIO controls: the 441x parts only.
bool hasMonitor(const PartInfo* part);

// The entries of the monitor list: "Mon_In0", "Mon_In1", then "DAC n" for the
// part's monitored channels.
int monitorEntryCount(const PartInfo& part);
std::string monitorEntryText(int position);

}  // namespace kteval
