#pragma once

#include <cstdint>

#include "part_catalogue.h"

namespace kteval::measure {

// A channel's ideal transfer as the voltage table computes it: the output of
// DAC register code d is (d - offsetTerm) x lsb.
struct DacTransfer {
    double lsb = 0.0;        // volts a DAC code, 4 x VREF / 2^bits (negative for a negative VREF)
    int32_t offsetTerm = 0;  // the offset DAC code, times 4 on the 16-bit parts

    double volts(double dacCode) const { return (dacCode - offsetTerm) * lsb; }
};

// The transfer of the channel's group with the given offset DAC code and
// reference voltage.
DacTransfer idealTransfer(const PartInfo& part, int32_t offsetCode, double vref);

// Two readings of one channel: the DAC register codes and the measured volts.
struct TwoPoint {
    int32_t code1 = 0;
    double volts1 = 0.0;
    int32_t code2 = 0;
    double volts2 = 0.0;
};

// How a channel departs from the ideal: measured = (1 + gain) x ideal + offsetVolts.
struct TransferError {
    double gain = 0.0;
    double offsetVolts = 0.0;
};

// The error a two-point measurement shows; the codes must differ.
TransferError transferError(const TwoPoint& points, const DacTransfer& ideal);

// The gain and offset registers that bring a channel's output for input code
// x nearest to the ideal output of x, and what remains. M can only lower the
// gain (full scale is a gain of 1) and both registers stop at their code
// range: a channel whose gain is too low keeps that error, and an offset
// beyond C's reach keeps the rest. The offset is trimmed at mid-scale.
struct Trim {
    int32_t m = 0;
    int32_t c = 0;
    double residualGain = 0.0;         // of the trimmed transfer
    double residualOffsetVolts = 0.0;  // at mid-scale, before the code rounding
    bool gainReached = true;           // M could correct the whole gain error
    bool offsetReached = true;         // C could correct the whole offset
};
Trim trimFor(const PartInfo& part, const TransferError& error, const DacTransfer& ideal);

// The codes of a two-point measurement: about 10 % and 90 % of the range,
// away from the output amplifier's rails.
TwoPoint twoPointCodes(int bits);

}  // namespace kteval::measure
