#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "dac.h"

namespace kteval {

// How far one simulated output channel departs from the ideal transfer. The
// values are drawn once, when the board is made.
struct ChannelErrors {
    double gain = 0.0;         // the slope is (1 + gain) x the ideal one
    double offsetVolts = 0.0;  // added to every output
    double bowLsb = 0.0;       // integral nonlinearity: a parabola through the end codes...
    double waveLsb = 0.0;      // ...plus one sine period over the code range
    std::array<double, 16> bitShares{};  // each bit's weight error, -1 ... 1 of its share

    bool operator==(const ChannelErrors&) const = default;
};

// The analog side of the simulated board: what each output pin carries for a
// DAC code, with the channel's gain, offset, integral and differential
// errors, and the noise of a reading. An ideal model has no errors and no
// noise. The errors come from a seed: the same seed is the same board on
// every machine and in every run (only the standard-defined mt19937_64 is
// used, never a library distribution).
class AnalogModel {
  public:
    static constexpr uint64_t kDefaultSeed = 4421;
    static constexpr const char* kSeedVariable = "KTEVAL_SEED";

    // The errors are uniform within these bounds.
    static constexpr double kMaxGain = 0.005;         // 0.5 % of full scale
    static constexpr double kMaxOffsetVolts = 0.020;  // 20 mV
    static constexpr double kMaxBowLsb = 2.0;         // INL: bow and wave together
    static constexpr double kMaxWaveLsb = 1.0;        //   stay within 3 LSB
    static constexpr double kMaxBitErrorsLsb = 0.45;  // the bits' weight errors together
    static constexpr double kNoiseVolts = 30e-6;      // RMS noise of a reading
    // The simulated voltages on the monitor inputs Mon_In0 and Mon_In1.
    static constexpr std::array<double, 2> kMonitorInputVolts{1.25, 2.5};

    AnalogModel() = default;  // ideal
    explicit AnalogModel(uint64_t seed);

    // The seed KTEVAL_SEED names, kDefaultSeed when it is unset or empty.
    struct SeedSetting {
        uint64_t seed = kDefaultSeed;
        std::optional<std::string> error;  // why the value was refused
    };
    static SeedSetting seedFromText(const char* text);
    static SeedSetting seedFromEnvironment();

    bool ideal() const { return !errors_.has_value(); }
    // The errors of channel index (all zero on the ideal model).
    ChannelErrors errors(int index) const;

    // The output of channel index without noise: idealVolts is what the ideal
    // transfer gives for code, the DAC register of a bits-bit part whose code
    // step is lsbVolts.
    double output(int index, double idealVolts, int32_t code, int bits, double lsbVolts) const;
    // One reading of a pin at volts: a fresh noise draw added (none when ideal).
    double read(double volts);

  private:
    double uniform();  // -1 ... 1

    std::optional<std::array<ChannelErrors, kChannelCount>> errors_;
    std::mt19937_64 random_;
};

}  // namespace kteval
