#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kteval {

// One measurement: the DAC register code written and the output voltage read.
struct Reading {
    int32_t code;
    double volts;
};

// The ideal transfer of a channel: output = zeroVolts + code x lsbVolts.
// lsbVolts is negative when the output falls as the code rises.
struct IdealTransfer {
    double lsbVolts;
    double zeroVolts;
};

// What one reading says.
struct ReadingResult {
    int32_t code;
    double measuredVolts;
    double idealVolts;
    // (measured - ideal) / |ideal LSB|; 0 without an ideal LSB, NaN for a NaN reading.
    double errorLsb;
    double endPointInl;  // LSB; 0 when the summary could not be computed
    double bestFitInl;   // LSB; 0 when the summary could not be computed
};

// The step from code to code + 1, both measured.
struct DnlStep {
    int32_t code;
    double dnl;  // LSB
};

struct LinearitySummary {
    // Empty when every figure below was computed; otherwise why not, and the
    // figures are 0 (zeroCodeErrorVolts and readingCount excepted).
    std::string problem;
    std::size_t readingCount = 0;
    // Measured at code 0 minus the ideal output at code 0; empty without code 0.
    std::optional<double> zeroCodeErrorVolts;

    // Offset and gain come from the line through two readings near 10 % and
    // 90 % of the measured code range: the codes near the ends are distorted
    // by the output amplifier running into its rails.
    int32_t gainLowCode = 0;
    int32_t gainHighCode = 0;
    double offsetErrorVolts = 0;  // that line at code 0 minus the ideal output at code 0
    double offsetErrorLsb = 0;    // over |ideal LSB|
    double gainErrorPercent = 0;  // (slope / ideal LSB - 1) x 100, of full scale

    // End-point line: through the first and the last code measured. Its slope
    // is the measured LSB of INL and DNL.
    double endPointLsbVolts = 0;
    double maxEndPointInl = 0;  // largest |INL|, LSB
    int32_t maxEndPointInlCode = 0;
    // Best-fit line: least squares over every reading.
    double bestFitLsbVolts = 0;
    double bestFitZeroVolts = 0;
    double maxBestFitInl = 0;  // largest |INL|, LSB
    int32_t maxBestFitInlCode = 0;

    std::size_t dnlSteps = 0;  // measured adjacent pairs
    double minDnl = 0;
    int32_t minDnlCode = 0;
    double maxDnl = 0;
    int32_t maxDnlCode = 0;

    // No step between consecutive measured codes goes against the ideal
    // transfer's direction; firstReversal is the lower code of the first one that does.
    bool monotonic = true;
    std::optional<int32_t> firstReversal;
};

struct Linearity {
    std::vector<ReadingResult> readings;  // one per reading, in order
    std::vector<DnlStep> dnl;             // one per measured adjacent pair
    LinearitySummary summary;
};

// Characterises one channel from its readings, sorted by ascending code, each
// code once.
Linearity analyseLinearity(std::span<const Reading> readings, const IdealTransfer& ideal);

}  // namespace kteval
