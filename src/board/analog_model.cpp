#include "analog_model.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "contract.h"

namespace kteval {

namespace {

// A bit's weight error grows as the square root of its weight, as mismatch
// does with the size of an element; the bits of a part together reach
// kMaxBitErrorsLsb, so that no code step is off by more.
double rootOfWeight(int bit) {
    return std::ldexp(bit % 2 == 0 ? 1.0 : std::numbers::sqrt2, bit / 2);
}

// kMaxBitErrorsLsb over the sum of rootOfWeight for bits 0 ... bits - 1 (a
// geometric series): the weight error of a bit whose share is 1, per root.
double bitErrorScale(int bits) {
    return AnalogModel::kMaxBitErrorsLsb * (std::numbers::sqrt2 - 1.0) / (rootOfWeight(bits) - 1.0);
}

}  // namespace

AnalogModel::AnalogModel(uint64_t seed) : random_(seed) {
    errors_.emplace();
    for (ChannelErrors& channel : *errors_) {
        channel.gain = kMaxGain * uniform();
        channel.offsetVolts = kMaxOffsetVolts * uniform();
        channel.bowLsb = kMaxBowLsb * uniform();
        channel.waveLsb = kMaxWaveLsb * uniform();
        for (double& share : channel.bitShares) share = uniform();
    }
}

AnalogModel::SeedSetting AnalogModel::seedFromText(const char* text) {
    if (text == nullptr || *text == '\0') return {};
    const std::string_view digits(text);
    uint64_t seed = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), seed);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return {kDefaultSeed, std::string(kSeedVariable) + " wants a whole number from 0 to " +
                                  std::to_string(UINT64_MAX) + ", not '" + text + "'"};
    }
    return {seed, std::nullopt};
}

AnalogModel::SeedSetting AnalogModel::seedFromEnvironment() {
    return seedFromText(std::getenv(kSeedVariable));
}

ChannelErrors AnalogModel::errors(int index) const {
    KTEVAL_EXPECTS(index >= 0 && index < kChannelCount);
    return errors_ ? (*errors_)[static_cast<std::size_t>(index)] : ChannelErrors{};
}

double AnalogModel::output(int index, double idealVolts, int32_t code, int bits,
                           double lsbVolts) const {
    if (!errors_) return idealVolts;
    KTEVAL_EXPECTS(bits > 0 && bits <= 16);
    const ChannelErrors& e = (*errors_)[static_cast<std::size_t>(index)];
    // x runs from 0 to 1 over the code range; the smooth part is 0 at both ends.
    const double x = code / (std::ldexp(1.0, bits) - 1.0);
    double errorLsb =
        e.bowLsb * 4.0 * x * (1.0 - x) + e.waveLsb * std::sin(2.0 * std::numbers::pi * x);
    const double scale = bitErrorScale(bits);
    for (int bit = 0; bit < bits; ++bit) {
        if ((code >> bit & 1) != 0) {
            errorLsb += e.bitShares[static_cast<std::size_t>(bit)] * scale * rootOfWeight(bit);
        }
    }
    return (1.0 + e.gain) * idealVolts + e.offsetVolts + errorLsb * lsbVolts;
}

double AnalogModel::read(double volts) {
    if (!errors_) return volts;
    // Box-Muller on two uniform draws in (0, 1].
    const double u1 = (uniform() + 1.0) / 2.0;
    const double u2 = (uniform() + 1.0) / 2.0;
    const double normal =
        std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(2.0 * std::numbers::pi * u2);
    return volts + kNoiseVolts * normal;
}

double AnalogModel::uniform() {
    // The top 53 bits as a fraction in [0, 1), spread to [-1, 1).
    const double unit = std::ldexp(static_cast<double>(random_() >> 11), -53);
    return 2.0 * unit - 1.0;
}

}  // namespace kteval
