#include "effective_code.h"

#include <cmath>

#include "contract.h"
#include "kt442x_module.h"

namespace kteval {

std::optional<int32_t> effectiveCode(int bits, int32_t x1, int32_t m, int32_t c) {
    if (bits != 16 && bits != 14) return std::nullopt;
    const double fullScale = std::pow(2.0, bits);
    const double midScale = std::pow(2.0, bits - 1);
    // The gain register holds M; the chip multiplies by (M + 1) / 2^n.
    const int32_t gainPlusOne = static_cast<int32_t>(static_cast<int64_t>(m) + 1);
    const double q = gainPlusOne / fullScale;
    const double p = q * x1;
    const double x2 = (c - midScale) + p;
    // Codes of at most 16 bits keep X2 between -32768 and 98302.
    KTEVAL_EXPECTS(std::fabs(x2) < 2147483647.0);
    return static_cast<int32_t>(std::nearbyint(x2));
}

std::optional<int32_t> updateX2(KT442xModule& module) {
    DAC& record = module.selected();
    const int32_t x1 = module.UseX1B == 0 ? record.X1A : record.X1B;
    const std::optional<int32_t> x2 = effectiveCode(module.PartBits, x1, record.M, record.C);
    if (!x2) return std::nullopt;
    (module.UseX1B == 0 ? record.X2A : record.X2B) = *x2;
    return x2;
}

}  // namespace kteval
