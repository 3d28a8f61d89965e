#include "analog_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "board_link.h"
#include "output_voltage.h"
#include "request_codes.h"
#include "simulated_board.h"
#include "test_seed.h"

namespace kteval {
namespace {

// Every code of every channel of a 16-bit and a 14-bit part, on two boards,
// measured as on the bench: the end-point line gives gain, offset (where the
// ideal output is 0 V) and INL; each code step the DNL. The largest of each
// must stay within the stated bounds and yet be there.
TEST(AnalogModel, ErrorsStayWithinTheirBoundsOverEveryCode) {
    double largest[4] = {};  // gain, offset volts, INL, DNL
    for (const uint64_t seed : {test::testSeed(), test::testSeed() + 1}) {
        SCOPED_TRACE(test::seedNote(seed));
        const AnalogModel model(seed);
        for (const int partIndex : {4, 5}) {
            const PartInfo& part = partByIndex(partIndex);
            const double vref = readReferenceText(part.referenceText);
            const auto ideal = [&](int32_t code) {
                return outputVoltage(part, code, part.offsetCode, vref);
            };
            const double lsb = ideal(1) - ideal(0);
            const int32_t top = (1 << part.bits) - 1;
            for (int channel = 0; channel < kChannelCount; ++channel) {
                std::vector<double> v(static_cast<std::size_t>(top) + 1);
                for (int32_t k = 0; k <= top; ++k) {
                    v[static_cast<std::size_t>(k)] =
                        model.output(channel, ideal(k), k, part.bits, lsb);
                }
                const double step = (v.back() - v.front()) / top;
                double inl = 0.0, dnl = 0.0;
                for (std::size_t k = 0; k < v.size(); ++k) {
                    inl = std::max(inl, std::abs(v[k] - v.front() - step * k) / step);
                    if (k > 0) dnl = std::max(dnl, std::abs(v[k] - v[k - 1] - step) / step);
                }
                const double measured[4] = {std::abs(step / lsb - 1.0),
                                            std::abs(v.front() - ideal(0) * step / lsb), inl, dnl};
                for (int i = 0; i < 4; ++i) largest[i] = std::max(largest[i], measured[i]);
            }
        }
    }
    EXPECT_LE(largest[0], 0.005 + 1e-4);
    EXPECT_LE(largest[1], 0.020 + 1e-3);
    EXPECT_LE(largest[2], 4.0);
    EXPECT_LE(largest[3], 0.5);
    EXPECT_GT(largest[0], 0.002);
    EXPECT_GT(largest[1], 0.005);
    EXPECT_GT(largest[2], 1.0);
    EXPECT_GT(largest[3], 0.05);
}

// The seed is the board: its errors and its noise; another seed, another board;
// KTEVAL_SEED's text is a whole number.
// Readings scatter by some tens of microvolts around the output.
TEST(AnalogModel, SameSeedSameBoardAndNoiseOfTensOfMicrovolts) {
    const uint64_t seed = test::testSeed();
    SCOPED_TRACE(test::seedNote(seed));
    AnalogModel a(seed), b(seed), other(seed + 1);
    for (int channel = 0; channel < kChannelCount; ++channel) {
        EXPECT_EQ(a.errors(channel), b.errors(channel));
        EXPECT_NE(a.errors(channel), other.errors(channel));
    }
    double sum = 0.0, squares = 0.0;
    constexpr int kReadings = 4000;
    for (int i = 0; i < kReadings; ++i) {
        const double reading = a.read(1.0);
        ASSERT_EQ(reading, b.read(1.0));
        sum += reading - 1.0;
        squares += (reading - 1.0) * (reading - 1.0);
    }
    EXPECT_EQ(AnalogModel::seedFromText("").seed, AnalogModel::kDefaultSeed);
    EXPECT_EQ(AnalogModel::seedFromText("17").seed, 17u);
    for (const char* bad : {"x", "-1", "18446744073709551616", "1 "}) {
        EXPECT_TRUE(AnalogModel::seedFromText(bad).error) << bad;
    }
    const double mean = sum / kReadings, sigma = std::sqrt(squares / kReadings - mean * mean);
    EXPECT_LT(std::abs(mean), 5.0 * sigma / std::sqrt(kReadings));
    EXPECT_GT(sigma, 10e-6);
    EXPECT_LT(sigma, 100e-6);
}

// The ideal board's pins carry the program's voltages; on a drawn board MON
// carries what the monitor word selects, or nothing.
TEST(AnalogModel, PinsAndMonitorOfTheSimulatedBoard) {
    for (int partIndex = 0; partIndex < kPartCount; ++partIndex) {
        SimulatedBoard board(partByIndex(partIndex));
        BoardLink link(board);
        for (const int32_t word : {0xC8FFFF, 0xD18000, 0xEF4000}) link.WriteWord(24, word);
        for (const int16_t line : {request::LdacPulse, request::ClrLow, request::ClrHigh}) {
            link.SendRequest(line);
            for (int index = 0; index < kChannelCount; ++index) {
                if (!usesChannelIndex(board.part(), index)) {
                    EXPECT_TRUE(std::isnan(board.pinVolts(index))) << partIndex << " " << index;
                } else {
                    EXPECT_EQ(board.pinVolts(index), board.outputVoltage(index)) << index;
                }
            }
        }
        EXPECT_TRUE(std::isnan(board.monVolts()));
    }
    constexpr int kNothing = -1, kInput0 = -2, kInput1 = -3;
    const struct {
        int part;
        int32_t monitor;
        int carries;  // a channel index, or kNothing, kInput0, kInput1
    } cases[] = {
        {0, 0x0C0003, kNothing}, {0, 0x0C0023, 3}, {0, 0x0C0030, kInput0},
        {0, 0x0C0031, kInput1},  {2, 0x0C0025, 9}, {2, 0x0C002A, kNothing},
        {4, 0x0C0023, kNothing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.monitor);
        SimulatedBoard board(partByIndex(c.part), AnalogModel(test::testSeed()));
        BoardLink link(board);
        for (const int32_t word : {0xCB4000, 0xD1C000, c.monitor}) link.WriteWord(24, word);
        link.SendRequest(request::LdacPulse);
        const double mon = board.monVolts();
        if (c.carries == kNothing) {
            EXPECT_TRUE(std::isnan(mon)) << mon;
            continue;
        }
        const double expected = c.carries >= 0
                                    ? board.pinVolts(c.carries)
                                    : AnalogModel::kMonitorInputVolts[c.carries == kInput0 ? 0 : 1];
        EXPECT_NEAR(mon, expected, 500e-6);
    }
}

}  // namespace
}  // namespace kteval
