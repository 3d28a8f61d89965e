#include "calibration.h"

#include <algorithm>
#include <cmath>

namespace kteval::measure {

DacTransfer idealTransfer(const PartInfo& part, int32_t offsetCode, double vref) {
    return {4.0 * vref / part.divisor, offsetCode * part.offsetMultiplier};
}

TransferError transferError(const TwoPoint& points, const DacTransfer& ideal) {
    const double ideal1 = ideal.volts(points.code1);
    const double ideal2 = ideal.volts(points.code2);
    const double slope = (points.volts2 - points.volts1) / (ideal2 - ideal1);
    return {slope - 1.0, points.volts1 - slope * ideal1};
}

Trim trimFor(const PartInfo& part, const TransferError& error, const DacTransfer& ideal) {
    // The effective code is x (M + 1) / 2^n + C - 2^(n-1): the output of x is
    // (1 + g) ((M + 1) / 2^n x + C - 2^(n-1) - O) lsb + o, and should be
    // (x - O) lsb.
    const double scale = std::ldexp(1.0, part.bits);
    const double half = scale / 2;
    const auto largest = static_cast<int32_t>(scale) - 1;
    Trim trim;
    const double gainFactor = 1.0 + error.gain;
    const double wantedM = std::nearbyint(scale / gainFactor) - 1;
    trim.m = static_cast<int32_t>(std::clamp(wantedM, 0.0, double(largest)));
    trim.gainReached = trim.m == wantedM;
    const double k = (trim.m + 1) / scale;
    trim.residualGain = gainFactor * k - 1.0;

    // C puts the mid-scale input's output on its ideal value.
    const double x = half;
    const double wantedC = half + ideal.offsetTerm - k * x +
                           (ideal.volts(x) - error.offsetVolts) / (gainFactor * ideal.lsb);
    const double roundedC = std::nearbyint(wantedC);
    trim.c = static_cast<int32_t>(std::clamp(roundedC, 0.0, double(largest)));
    trim.offsetReached = trim.c == roundedC;
    const double output =
        gainFactor * (k * x + trim.c - half - ideal.offsetTerm) * ideal.lsb + error.offsetVolts;
    trim.residualOffsetVolts = output - ideal.volts(x);
    return trim;
}

TwoPoint twoPointCodes(int bits) {
    const auto range = int32_t{1} << bits;
    return {range / 10, 0.0, range - range / 10, 0.0};
}

}  // namespace kteval::measure
