#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hex_digits.h"

namespace kteval {

// Reads an operator's hexadecimal entry: digits 0-9 and A-F in either case,
// leading zeros allowed, no prefix, sign or blanks, a value of at most 32 bits.
std::optional<uint32_t> readHex(std::string_view text);

// CheckText's verdict on an entry for a register of bitLength bits.
struct CheckVerdict {
    enum class Kind { Accepted, InvalidNumber, ExceedsBitLength };
    Kind kind = Kind::Accepted;
    uint32_t value = 0;   // the value read, when accepted
    std::string message;  // what the operator is told, empty when accepted
    std::string title;

    bool refused() const { return kind != Kind::Accepted; }
};

CheckVerdict CheckText(std::string_view text, int bitLength);

// Brings a hexadecimal text to the register labels' form: an 8-character text
// keeps its last 4, then upper case, then 1-3 characters are zero-padded to 4.
std::string FormatHex(std::string& textString);

// FormatHex of the upper-case hexadecimal text of a stored 32-bit value
// (two's complement for negatives): how every register label shows a value.
std::string registerLabelText(int32_t value);

// Exactly length upper-case hexadecimal digits of number, zero-padded.
// number must fit in length digits.
std::string NumberToHex(int32_t number, int length);

}  // namespace kteval
