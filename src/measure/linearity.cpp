#include "linearity.h"

#include <cmath>

namespace kteval {

namespace {

double idealVolts(const IdealTransfer& ideal, int32_t code) {
    return ideal.zeroVolts + code * ideal.lsbVolts;
}

// Why the readings cannot be characterised, or an empty text.
std::string problemOf(std::span<const Reading> readings, const IdealTransfer& ideal) {
    if (!std::isfinite(ideal.lsbVolts) || ideal.lsbVolts == 0 || !std::isfinite(ideal.zeroVolts))
        return "the ideal transfer has no LSB";
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const std::string code = std::to_string(readings[i].code);
        if (!std::isfinite(readings[i].volts))
            return "the reading at code " + code + " is no number";
        if (i > 0 && readings[i].code <= readings[i - 1].code)
            return "code " + code + " is out of order or measured twice";
    }
    if (readings.size() < 2) return "fewer than two readings";
    return {};
}

// The index of the reading whose code is nearest to target; the lower one on a tie.
std::size_t nearestReading(std::span<const Reading> readings, double target) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < readings.size(); ++i) {
        if (std::abs(readings[i].code - target) < std::abs(readings[best].code - target)) best = i;
    }
    return best;
}

struct Line {
    double zero;   // volts at code 0
    double slope;  // volts per code
    double at(int32_t code) const { return zero + slope * code; }
};

Line lineThrough(const Reading& a, const Reading& b) {
    const double slope = (b.volts - a.volts) / (static_cast<double>(b.code) - a.code);
    return Line{a.volts - slope * a.code, slope};
}

// Least squares of volts on code, around the means for precision.
Line bestFitLine(std::span<const Reading> readings) {
    double meanCode = 0;
    double meanVolts = 0;
    for (const Reading& r : readings) {
        meanCode += r.code;
        meanVolts += r.volts;
    }
    meanCode /= static_cast<double>(readings.size());
    meanVolts /= static_cast<double>(readings.size());
    double sxx = 0;
    double sxy = 0;
    for (const Reading& r : readings) {
        sxx += (r.code - meanCode) * (r.code - meanCode);
        sxy += (r.code - meanCode) * (r.volts - meanVolts);
    }
    const double slope = sxy / sxx;  // sxx > 0: at least two different codes
    return Line{meanVolts - slope * meanCode, slope};
}

void twoPointFigures(std::span<const Reading> readings, const IdealTransfer& ideal,
                     LinearitySummary& summary) {
    const double low = readings.front().code;
    const double range = readings.back().code - low;  // > 0: codes ascend
    const Reading& a = readings[nearestReading(readings, low + 0.1 * range)];
    const Reading& b = readings[nearestReading(readings, low + 0.9 * range)];
    const Line line = lineThrough(a, b);
    summary.gainLowCode = a.code;
    summary.gainHighCode = b.code;
    // The offset is the line's output where the ideal one is 0 V: the gain
    // error then scales the output about 0 V, as a chip's does, instead of
    // adding to the offset at a code far from it.
    const double idealZeroCode = -ideal.zeroVolts / ideal.lsbVolts;
    summary.offsetErrorVolts = line.zero + line.slope * idealZeroCode;
    summary.offsetErrorLsb = summary.offsetErrorVolts / std::abs(ideal.lsbVolts);
    summary.gainErrorPercent = (line.slope / ideal.lsbVolts - 1) * 100;
}

void stepFigures(std::span<const Reading> readings, const IdealTransfer& ideal, Linearity& result) {
    LinearitySummary& summary = result.summary;
    const double lsb = summary.endPointLsbVolts;
    for (std::size_t i = 0; i + 1 < readings.size(); ++i) {
        const double step = readings[i + 1].volts - readings[i].volts;
        if (summary.monotonic && step * ideal.lsbVolts < 0) {
            summary.monotonic = false;
            summary.firstReversal = readings[i].code;
        }
        if (readings[i + 1].code - int64_t{1} != readings[i].code) continue;
        const DnlStep dnl{readings[i].code, (step - lsb) / lsb};
        if (result.dnl.empty() || dnl.dnl < summary.minDnl) {
            summary.minDnl = dnl.dnl;
            summary.minDnlCode = dnl.code;
        }
        if (result.dnl.empty() || dnl.dnl > summary.maxDnl) {
            summary.maxDnl = dnl.dnl;
            summary.maxDnlCode = dnl.code;
        }
        result.dnl.push_back(dnl);
    }
    summary.dnlSteps = result.dnl.size();
}

}  // namespace

Linearity analyseLinearity(std::span<const Reading> readings, const IdealTransfer& ideal) {
    Linearity result;
    LinearitySummary& summary = result.summary;
    summary.readingCount = readings.size();
    summary.problem = problemOf(readings, ideal);
    const bool hasLsb = std::isfinite(ideal.lsbVolts) && ideal.lsbVolts != 0;
    for (const Reading& r : readings) {
        const double expected = idealVolts(ideal, r.code);
        const double error = hasLsb ? (r.volts - expected) / std::abs(ideal.lsbVolts) : 0;
        result.readings.push_back(ReadingResult{r.code, r.volts, expected, error, 0, 0});
    }
    if (!readings.empty() && readings.front().code == 0 &&
        std::isfinite(readings.front().volts - ideal.zeroVolts))
        summary.zeroCodeErrorVolts = readings.front().volts - ideal.zeroVolts;
    if (!summary.problem.empty()) return result;

    const Line endPoint = lineThrough(readings.front(), readings.back());
    const Line bestFit = bestFitLine(readings);
    if (endPoint.slope == 0 || bestFit.slope == 0) {
        summary.problem = "the output does not follow the code";
        return result;
    }
    twoPointFigures(readings, ideal, summary);
    summary.endPointLsbVolts = endPoint.slope;
    summary.bestFitLsbVolts = bestFit.slope;
    summary.bestFitZeroVolts = bestFit.zero;
    summary.maxEndPointInlCode = summary.maxBestFitInlCode = readings.front().code;
    for (ReadingResult& r : result.readings) {
        r.endPointInl = (r.measuredVolts - endPoint.at(r.code)) / endPoint.slope;
        r.bestFitInl = (r.measuredVolts - bestFit.at(r.code)) / bestFit.slope;
        if (std::abs(r.endPointInl) > summary.maxEndPointInl) {
            summary.maxEndPointInl = std::abs(r.endPointInl);
            summary.maxEndPointInlCode = r.code;
        }
        if (std::abs(r.bestFitInl) > summary.maxBestFitInl) {
            summary.maxBestFitInl = std::abs(r.bestFitInl);
            summary.maxBestFitInlCode = r.code;
        }
    }
    stepFigures(readings, ideal, result);
    return result;
}

}  // namespace kteval
