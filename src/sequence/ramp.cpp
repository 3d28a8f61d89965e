#include "ramp.h"

#include <cmath>

#include "effective_code.h"
#include "output_voltage.h"

namespace kteval::sequence {

namespace {

double outputOf(const PartInfo& part, const ChannelSettings& s, int32_t x) {
    return outputVoltage(part, *effectiveCode(part.bits, x, s.m, s.c), s.offsetCode, s.vref);
}

}  // namespace

RampPlan planRamp(const PartInfo& part, const ChannelSettings& settings, int32_t from, int32_t to,
                  double voltsPerSecond, std::chrono::nanoseconds baseInterval) {
    RampPlan plan{{}, baseInterval};
    if (from == to) return plan;
    // The output of one input code step, with the effective code's rounding:
    // at most one more DAC code than the gain's share.
    const double lsb = std::fabs(4.0 * settings.vref / part.divisor);
    const double perCode = lsb * (settings.m + 1) / std::ldexp(1.0, part.bits);
    const double allowed = voltsPerSecond * std::chrono::duration<double>(baseInterval).count();
    auto codesPerStep = static_cast<int32_t>(std::floor((allowed - lsb) / perCode));
    if (codesPerStep < 1) {
        codesPerStep = 1;
        plan.interval = std::chrono::ceil<std::chrono::nanoseconds>(
            std::chrono::duration<double>((perCode + lsb) / voltsPerSecond));
    }
    const double limit =
        voltsPerSecond * std::chrono::duration<double>(plan.interval).count() + 1e-12;
    const int32_t direction = to > from ? 1 : -1;
    int32_t code = from;
    double volts = outputOf(part, settings, from);
    while (code != to) {
        int32_t next = code + direction * std::min(codesPerStep, std::abs(to - code));
        // The rounding of a low gain can make a step land further: shorten it.
        while (next != code + direction &&
               std::fabs(outputOf(part, settings, next) - volts) > limit) {
            next -= direction;
        }
        code = next;
        volts = outputOf(part, settings, code);
        plan.codes.push_back(code);
    }
    return plan;
}

}  // namespace kteval::sequence
