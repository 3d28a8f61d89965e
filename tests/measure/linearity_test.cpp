// Linearity figures of synthetic transfers whose offset, gain, bow and steps
// are known by construction; every expected figure below is worked out by hand
// from the definitions in docs/measure.md.
#include "linearity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "code_set.h"

namespace kteval {
namespace {

constexpr double kLsb = 1e-3;  // volts per code of the rows below
constexpr double kUnchecked = std::numeric_limits<double>::quiet_NaN();

// Readings in LSB units: code -> output / kLsb.
std::vector<std::pair<int32_t, double>> sampled(const std::vector<int32_t>& codes,
                                                const std::function<double(int32_t)>& output) {
    std::vector<std::pair<int32_t, double>> points;
    for (int32_t code : codes) points.emplace_back(code, output(code));
    return points;
}

std::vector<int32_t> codeRange(int32_t first, int32_t last) {
    std::vector<int32_t> codes;
    for (int32_t code = first; code <= last; ++code) codes.push_back(code);
    return codes;
}

struct Row {
    const char* name;
    std::vector<std::pair<int32_t, double>> points;  // LSB units
    double idealZero;                                // LSB units
    // Expected, in LSB units except the gain error; NaN: not checked.
    double zeroCodeError, offset, gainPercent, endPointInl, bestFitInl, minDnl, maxDnl;
    std::optional<int32_t> reversal;
};

// Each row runs twice: as written, and mirrored into a negative reference
// (every voltage and the ideal LSB negated), which must change only the sign
// of the volts figures and of the offset in LSB.
TEST(Linearity, SyntheticTransfersRecoverTheirFigures) {
    const auto gained = [](int32_t k) { return -32768 + 5 + k * 1.002; };
    const auto clipped = [&](int32_t k) {
        return gained(k) + (k < 1000 ? 3 : 0) - (k > 64535 ? 3 : 0);
    };
    const auto wideStep = [](int32_t k) { return k + (k > 20 ? 0.5 : 0); };
    const auto backStep = [](int32_t k) { return k == 6 ? 4.5 : k; };
    const auto flatStep = [](int32_t k) { return k == 3 ? 2.0 : k; };
    const Row rows[] = {
        // The offset is read where the ideal output is 0 V: 5 + 32768 x 0.002.
        {"offset and gain",
         sampled(defaultCodes(16), gained),
         -32768,
         5,
         70.536,
         0.2,
         0,
         0,
         0,
         0,
         {}},
        // Clipped ends change the zero-code error only: offset and gain come from 10 % / 90 %.
        {"clipped ends",
         sampled(defaultCodes(16), clipped),
         -32768,
         8,
         70.536,
         0.2,
         kUnchecked,
         kUnchecked,
         kUnchecked,
         kUnchecked,
         {}},
        {"bow", {{0, 0}, {100, 103}, {200, 200}}, 0, 0, 0, 0, 3, 2, 0, 0, {}},
        {"wide step",
         sampled(codeRange(0, 40), wideStep),
         0,
         0,
         -1.0 / 16,
         1.5625,
         0.25 / 1.0125,
         10.0 / 41 * 5740 / 5845,
         1 / 1.0125 - 1,
         1.5 / 1.0125 - 1,
         {}},
        {"step backwards", sampled(codeRange(0, 10), backStep), 0, 0, 0, 0, 1.5, 1.35 * 110 / 108.5,
         -1.5, 1.5, 5},
        {"flat step", sampled(codeRange(0, 4), flatStep), 0, 0, 0, 0, 1, 0.7 / 0.9, -1, 1, {}},
        {"reversal between far codes",
         {{0, 0}, {10, 10}, {20, 8}, {30, 30}},
         0,
         0,
         0,
         0,
         12,
         8.4 / 0.88,
         0,
         0,
         10},
    };
    const auto expectNear = [](double actual, double expected, const std::string& what) {
        if (!std::isnan(expected)) {
            EXPECT_NEAR(actual, expected, 1e-6) << what;
        }
    };
    for (const Row& row : rows) {
        for (double sign : {1.0, -1.0}) {
            const std::string what = std::string(row.name) + (sign < 0 ? " mirrored" : "");
            std::vector<Reading> readings;
            for (const auto& [code, lsbs] : row.points)
                readings.push_back(Reading{code, sign * lsbs * kLsb});
            const Linearity result =
                analyseLinearity(readings, IdealTransfer{sign * kLsb, sign * row.idealZero * kLsb});
            const LinearitySummary& s = result.summary;
            ASSERT_EQ(s.problem, "") << what;
            ASSERT_TRUE(s.zeroCodeErrorVolts.has_value()) << what;
            expectNear(*s.zeroCodeErrorVolts / kLsb, sign * row.zeroCodeError, what + " zero");
            expectNear(s.offsetErrorVolts / kLsb, sign * row.offset, what + " offset V");
            expectNear(s.offsetErrorLsb, sign * row.offset, what + " offset LSB");
            expectNear(s.gainErrorPercent, row.gainPercent, what + " gain");
            expectNear(s.maxEndPointInl, row.endPointInl, what + " end-point INL");
            expectNear(s.maxBestFitInl, row.bestFitInl, what + " best-fit INL");
            expectNear(s.minDnl, row.minDnl, what + " min DNL");
            expectNear(s.maxDnl, row.maxDnl, what + " max DNL");
            EXPECT_EQ(s.monotonic, !row.reversal) << what;
            EXPECT_EQ(s.firstReversal, row.reversal) << what;
            // The error of each reading is its distance from the ideal line.
            for (std::size_t i = 0; i < readings.size(); ++i)
                expectNear(result.readings[i].errorLsb,
                           sign * (row.points[i].second - row.idealZero - row.points[i].first),
                           what + " error at " + std::to_string(readings[i].code));
        }
    }
}

// Catches a division by zero, a crash or a figure claimed from readings that
// hold none: too few, flat, out of order, repeated, no number, no ideal LSB.
TEST(Linearity, DegenerateReadingsSayWhy) {
    const std::pair<std::vector<Reading>, double> rows[] = {
        {{}, kLsb},
        {{{0, 1.0}}, kLsb},
        {{{0, 1.0}, {10, 1.0}, {20, 1.0}}, kLsb},
        {{{10, 1.0}, {5, 2.0}}, kLsb},
        {{{5, 1.0}, {5, 2.0}}, kLsb},
        {{{0, 1.0}, {1, std::nan("")}}, kLsb},
        {{{0, 1.0}, {1, 2.0}}, 0},
    };
    for (const auto& [readings, lsb] : rows) {
        const Linearity result = analyseLinearity(readings, IdealTransfer{lsb, 0});
        const std::string what = std::to_string(readings.size()) + " readings, LSB " +
                                 std::to_string(lsb) + ": " + result.summary.problem;
        EXPECT_NE(result.summary.problem, "") << what;
        EXPECT_EQ(result.summary.readingCount, readings.size()) << what;
        EXPECT_EQ(result.readings.size(), readings.size()) << what;
        EXPECT_TRUE(result.dnl.empty()) << what;
        EXPECT_EQ(result.summary.maxEndPointInl, 0) << what;
        for (const ReadingResult& r : result.readings)
            EXPECT_TRUE(std::isfinite(r.errorLsb) || std::isnan(r.measuredVolts)) << what;
    }
}

}  // namespace
}  // namespace kteval
