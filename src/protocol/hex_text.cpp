#include "hex_text.h"

#include <algorithm>
#include <cctype>
#include "contract.h"

namespace kteval {

namespace {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

std::optional<uint32_t> readHex(std::string_view text) {
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        const int digit = hexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

CheckVerdict CheckText(std::string_view text, int bitLength) {
    KTEVAL_EXPECTS(bitLength > 0 && bitLength < 32);
    CheckVerdict verdict;
    const std::optional<uint32_t> value = readHex(text);
    if (!value) {
        verdict.kind = CheckVerdict::Kind::InvalidNumber;
        verdict.message = "Invalid Number";
        verdict.title = "Invalid Number";
        return verdict;
    }
    const uint32_t largest = (uint32_t{1} << bitLength) - 1;
    if (*value > largest) {
        verdict.kind = CheckVerdict::Kind::ExceedsBitLength;
        verdict.message = "Number exceeds the bit length (" + std::to_string(bitLength) + ")";
        verdict.title = "Invalid Text";
        return verdict;
    }
    verdict.value = *value;
    return verdict;
}

std::string FormatHex(std::string& textString) {
    if (textString.size() == 8) textString = textString.substr(4);
    textString = upperCase(textString);
    if (textString.size() >= 1 && textString.size() <= 3) {
        textString.insert(0, 4 - textString.size(), '0');
    }
    return textString;
}

std::string registerLabelText(int32_t value) {
    std::string text = hexDigits(static_cast<uint32_t>(value));
    return FormatHex(text);
}

std::string NumberToHex(int32_t number, int length) {
    KTEVAL_EXPECTS(length >= 1 && length <= 8);
    KTEVAL_EXPECTS(length == 8 || (number >= 0 && number < (int64_t{1} << (4 * length))));
    return hexDigits(static_cast<uint32_t>(number), length);
}

}  // namespace kteval
