#pragma once

#include <cstdint>
#include <string>

namespace kteval {

// The upper-case hexadecimal digits of value, zero-padded to at least
// minDigits: the one hex formatter of every label, trace line and message.
std::string hexDigits(uint32_t value, int minDigits = 1);

}  // namespace kteval
