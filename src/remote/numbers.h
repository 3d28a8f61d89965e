#pragma once

#include <cstdint>

#include "error_queue.h"
#include "syntax.h"

namespace kteval::remote {

// Reads a <code> parameter: a decimal integer (12, +12, 1.2E1 and 12.0 are
// all twelve) or an IEEE 488.2 non-decimal number (#H3FFF, #Q17, #B101).
// Errors: -104 for text, strings or a number with a unit; -222 for a negative
// value or one above limit (however many digits it has); -224 for a value
// with a fraction. value is set only on success (NoError).
ErrorCode readCode(const Param& param, uint32_t limit, uint32_t& value);

}  // namespace kteval::remote
