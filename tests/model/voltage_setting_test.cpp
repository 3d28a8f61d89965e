// Catches a code that is not the nearest (checked over all codes), a wrong
// reach, or a voltage out of reach accepted, over random settings of every part.
#include "voltage_setting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "effective_code.h"
#include "output_voltage.h"
#include "test_seed.h"

namespace kteval {
namespace {

double voltageOf(const PartInfo& part, const ChannelSettings& s, int32_t x) {
    return outputVoltage(part, *effectiveCode(part.bits, x, s.m, s.c), s.offsetCode, s.vref);
}

TEST(VoltageSetting, NearestCodeOverEveryPart) {
    const uint64_t seed = test::testSeed();
    std::mt19937_64 random(seed);
    const auto pick = [&](int32_t n) { return static_cast<int32_t>(random() % uint64_t(n)); };
    for (const PartInfo& part : partCatalogue()) {
        const int32_t codes = int32_t{1} << part.bits;
        for (int round = 0; round < 12; ++round) {
            // Full-scale gain often, any gain sometimes; references of both signs and 0.
            const double references[] = {3.0, 5.0, -2.5, 0.0, 0.001 * pick(10000)};
            const ChannelSettings s{round % 3 == 0 ? pick(codes) : codes - 1, pick(codes),
                                    pick(0x4000), references[pick(5)]};
            const VoltageReach reach = voltageReach(part, s);
            const double step = std::fabs(reach.step);
            const double volts = reach.lowest - step +
                                 (reach.highest - reach.lowest + 2 * step) * pick(1001) / 1000.0;
            const std::optional<int32_t> code = inputCodeForVoltage(part, s, volts);
            const std::string where = std::string(part.name) + " volts " + std::to_string(volts) +
                                      " round " + std::to_string(round) + ", " +
                                      test::seedNote(seed);
            double nearest = INFINITY, lowest = INFINITY, highest = -INFINITY;
            for (int32_t x = 0; x < codes; ++x) {
                const double output = voltageOf(part, s, x);
                nearest = std::fmin(nearest, std::fabs(output - volts));
                lowest = std::fmin(lowest, output);
                highest = std::fmax(highest, output);
            }
            EXPECT_TRUE(reach.lowest == lowest && reach.highest == highest) << where;
            ASSERT_EQ(code.has_value(), volts >= lowest - step / 2 && volts <= highest + step / 2)
                << where;
            if (!code) continue;
            ASSERT_TRUE(*code >= 0 && *code < codes) << where;
            const double error = std::fabs(voltageOf(part, s, *code) - volts);
            EXPECT_EQ(error, nearest) << where;
            EXPECT_LE(error, step / 2 + 1e-12) << where;

            // A voltage midway between two neighbouring codes goes to the lower one.
            const int32_t x = pick(codes - 1);
            const double low = voltageOf(part, s, x), high = voltageOf(part, s, x + 1);
            const double middle = (low + high) / 2;
            if (low != high && middle - low == high - middle) {
                const int32_t chosen = *inputCodeForVoltage(part, s, middle);
                EXPECT_TRUE(chosen <= x && voltageOf(part, s, chosen) == low) << where;
            }

            // A voltage the table shows for some code comes back to that voltage.
            const double shown = voltageOf(part, s, pick(codes));
            EXPECT_EQ(voltageOf(part, s, *inputCodeForVoltage(part, s, shown)), shown) << where;
        }
    }
}

}  // namespace
}  // namespace kteval
