#include "hex_digits.h"

namespace kteval {

std::string hexDigits(uint32_t value, int minDigits) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(digits.size()) < minDigits) {
        digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
    }
    return digits;
}

}  // namespace kteval
