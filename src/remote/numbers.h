#pragma once

#include <cstdint>
#include <string_view>

#include "error_queue.h"
#include "syntax.h"

namespace kteval::remote {

// Reads a <code> parameter: a decimal integer (12, +12, 1.2E1 and 12.0 are
// all twelve) or an IEEE 488.2 non-decimal number (#H3FFF, #Q17, #B101).
// Errors: -104 for text, strings or a number with a unit; -222 for a negative
// value or one above limit (however many digits it has); -224 for a value
// with a fraction. value is set only on success (NoError).
ErrorCode readCode(const Param& param, uint32_t limit, uint32_t& value);

// readCode for a parameter that IEEE 488.2 rounds to an integer (*ESE, *SRE):
// a decimal number with a fraction is rounded to the nearest integer (ties to
// even) before its range is checked.
ErrorCode readRoundedCode(const Param& param, uint32_t limit, uint32_t& value);

// A voltage: a decimal number, bare or with the unit V, MV (millivolts) or UV
// (microvolts), any case, with or without a space before it. -104 for
// another kind or unit.
ErrorCode readVolts(const Param& param, double& volts);

// A decimal number's text (sign, digits, fraction, exponent; the syntax was
// checked when the line was read) as a double, '.' whatever the locale. A
// magnitude too large for a double reads as an infinity, one too small as 0.
ErrorCode readDouble(std::string_view text, double& value);

}  // namespace kteval::remote
