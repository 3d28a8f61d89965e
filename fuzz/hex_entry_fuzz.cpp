// Any text typed into a hexadecimal entry: the reading and CheckText's
// verdict must agree with each other and with the value's own digits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hex_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int bitLength = 1 + data[0] % 31;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::optional<uint32_t> value = kteval::readHex(text);
    const kteval::CheckVerdict verdict = kteval::CheckText(text, bitLength);
    using Kind = kteval::CheckVerdict::Kind;
    if (!value) {
        if (verdict.kind != Kind::InvalidNumber || verdict.message != "Invalid Number") std::abort();
        return 0;
    }
    // An accepted text re-reads to the same value from its upper-case form.
    const std::string digits = kteval::hexDigits(*value);
    if (kteval::readHex(digits) != value) std::abort();
    for (char c : digits) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) std::abort();
    }
    const bool fits = *value <= (uint32_t{1} << bitLength) - 1;
    if (fits != (verdict.kind == Kind::Accepted)) std::abort();
    if (fits && verdict.value != *value) std::abort();
    if (!fits && verdict.message != "Number exceeds the bit length (" +
                                        std::to_string(bitLength) + ")") {
        std::abort();
    }
    return 0;
}
