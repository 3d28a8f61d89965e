#pragma once

#include <cstdint>
#include <optional>

namespace kteval {

class KT442xModule;

// The chip's effective code X2 = (C - 2^(n-1)) + ((M + 1) / 2^n) x X1, evaluated
// in double in exactly that order and rounded to nearest, ties to even.
// Not clamped. nullopt when bits is neither 14 nor 16.
std::optional<int32_t> effectiveCode(int bits, int32_t x1, int32_t m, int32_t c);

// updateX2's model half: recompute the effective code of the selected channel
// for the input register UseX1B names and store it in X2A or X2B.
// Returns the stored value, or nullopt when nothing changed (no part).
std::optional<int32_t> updateX2(KT442xModule& module);

}  // namespace kteval
