#include "numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

namespace kteval::remote {

namespace {

// Values above this are out of range for every code; reading saturates here.
constexpr uint64_t kSaturation = uint64_t{1} << 40;

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return c - 'a' + 10;
}

uint64_t readNonDecimal(std::string_view text) {
    const char base = text[1];
    const uint64_t radix = (base == 'H' || base == 'h') ? 16 : (base == 'Q' || base == 'q') ? 8 : 2;
    uint64_t value = 0;
    for (const char c : text.substr(2)) {
        value = value * radix + static_cast<uint64_t>(digitValue(c));
        if (value > kSaturation) return kSaturation + 1;
    }
    return value;
}

// A decimal number as digits x 10^exponent; the syntax was checked when the
// line was read (sign, digits, optional fraction, optional exponent).
ErrorCode readDecimal(std::string_view text, uint64_t& value) {
    bool negative = false;
    std::size_t pos = 0;
    if (text[pos] == '+' || text[pos] == '-') negative = text[pos++] == '-';
    std::string digits;
    int64_t exponent = 0;
    bool fraction = false;
    for (; pos < text.size() && text[pos] != 'E' && text[pos] != 'e'; ++pos) {
        if (text[pos] == '.') {
            fraction = true;
            continue;
        }
        if (digits.empty() && text[pos] == '0') {
            if (fraction) --exponent;  // a leading zero of the fraction
            continue;
        }
        digits += text[pos];
        if (fraction) --exponent;
    }
    if (pos < text.size()) {
        ++pos;
        bool negativeExponent = false;
        if (text[pos] == '+' || text[pos] == '-') negativeExponent = text[pos++] == '-';
        int64_t written = 0;
        for (; pos < text.size(); ++pos)
            written = std::min<int64_t>(written * 10 + (text[pos] - '0'), 1'000'000);
        exponent += negativeExponent ? -written : written;
    }
    if (digits.empty()) {
        value = 0;
        return ErrorCode::NoError;
    }
    if (negative) return ErrorCode::DataOutOfRange;
    // Digits shifted right of the point must all be zero.
    while (exponent < 0 && !digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    if (exponent < 0) return ErrorCode::IllegalParameterValue;
    if (static_cast<int64_t>(digits.size()) + exponent > 12) {
        value = kSaturation + 1;
        return ErrorCode::NoError;
    }
    value = 0;
    for (const char c : digits) value = value * 10 + static_cast<uint64_t>(c - '0');
    for (int64_t i = 0; i < exponent; ++i) value *= 10;
    return ErrorCode::NoError;
}

}  // namespace

ErrorCode readCode(const Param& param, uint32_t limit, uint32_t& value) {
    uint64_t read = 0;
    if (param.kind == ParamKind::NonDecimal) {
        read = readNonDecimal(param.text);
    } else if (param.kind == ParamKind::Decimal) {
        if (const ErrorCode error = readDecimal(param.text, read); error != ErrorCode::NoError) {
            return error;
        }
    } else {
        return ErrorCode::DataTypeError;
    }
    if (read > limit) return ErrorCode::DataOutOfRange;
    value = static_cast<uint32_t>(read);
    return ErrorCode::NoError;
}

ErrorCode readRoundedCode(const Param& param, uint32_t limit, uint32_t& value) {
    if (param.kind != ParamKind::Decimal) return readCode(param, limit, value);
    double number = 0.0;
    if (const ErrorCode error = readDouble(param.text, number); error != ErrorCode::NoError) {
        return error;
    }
    const double rounded = std::nearbyint(number);
    if (!(rounded >= 0.0 && rounded <= limit)) return ErrorCode::DataOutOfRange;
    value = static_cast<uint32_t>(rounded);
    return ErrorCode::NoError;
}

ErrorCode readDouble(std::string_view text, double& value) {
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || negative)) text.remove_prefix(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ptr != text.data() + text.size() ||
        (result.ec != std::errc() && result.ec != std::errc::result_out_of_range)) {
        return ErrorCode::SyntaxError;
    }
    if (result.ec == std::errc::result_out_of_range) {
        // Only the exponent's sign tells an overflow from an underflow.
        const std::size_t e = text.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    if (negative) value = -value;
    return ErrorCode::NoError;
}

ErrorCode readVolts(const Param& param, double& volts) {
    std::string_view text = param.text;
    double divisor = 1.0;
    if (param.kind == ParamKind::DecimalWithUnit) {
        std::size_t unitStart = text.size();
        while (unitStart > 0 && isAlpha(text[unitStart - 1])) --unitStart;
        const std::string_view unit = text.substr(unitStart);
        constexpr std::array<std::pair<std::string_view, double>, 3> kUnits{
            {{"V", 1.0}, {"MV", 1e3}, {"UV", 1e6}}};
        const auto known = std::find_if(kUnits.begin(), kUnits.end(), [&](const auto& u) {
            return equalIgnoringCase(unit, u.first);
        });
        if (known == kUnits.end()) return ErrorCode::DataTypeError;
        divisor = known->second;
        text = text.substr(0, unitStart);
        while (!text.empty() && isWhiteSpace(text.back())) text.remove_suffix(1);
    } else if (param.kind != ParamKind::Decimal) {
        return ErrorCode::DataTypeError;
    }
    const ErrorCode error = readDouble(text, volts);
    // Dividing by an exact power of ten rounds once: 2.5 MV is the double of 0.0025.
    volts /= divisor;
    return error;
}

}  // namespace kteval::remote
