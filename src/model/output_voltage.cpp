#include "output_voltage.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace kteval {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

double readReferenceText(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (!isBlank(c)) compact += c;
    }
    std::size_t pos = 0;
    bool negative = false;
    if (pos < compact.size() && (compact[pos] == '+' || compact[pos] == '-')) {
        negative = compact[pos] == '-';
        ++pos;
    }
    // Only plain decimal numbers: from_chars would also take "inf" and "nan".
    const bool startsWithNumber =
        pos < compact.size() &&
        (isDigit(compact[pos]) ||
         (compact[pos] == '.' && pos + 1 < compact.size() && isDigit(compact[pos + 1])));
    if (!startsWithNumber) return 0.0;
    double value = 0.0;
    const char* first = compact.data() + pos;
    const auto [end, error] =
        std::from_chars(first, compact.data() + compact.size(), value, std::chars_format::general);
    (void)end;
    if (error != std::errc{} || !std::isfinite(value)) return 0.0;
    return negative ? -value : value;
}

std::string formatDecimal(double value) {
    if (value == 0.0 || !std::isfinite(value)) return "0";
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

std::string formatExact(double value) {
    if (value == 0.0 || !std::isfinite(value)) return "0";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatVoltage(double volts) {
    if (!std::isfinite(volts)) {
        volts = std::copysign(std::numeric_limits<double>::max(), volts);
    }
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, volts, std::chars_format::fixed, 4);
    std::string text(buffer, result.ptr);
    if (text == "-0.0000") return "0.0000";
    return text;
}

double outputVoltage(const PartInfo& part, int32_t dacReg, int32_t offsetCode, double vref) {
    const int64_t offset = static_cast<int64_t>(offsetCode) * part.offsetMultiplier;
    const int64_t difference = dacReg - offset;
    return static_cast<double>(difference) * (4.0 * vref) / part.divisor;
}

double channelOutputVolts(std::string_view partName, int channelNumber, const ChannelTable& table,
                          const std::array<int32_t, 3>& offsetCodes,
                          const std::array<double, 3>& referenceVolts) {
    const PartInfo* part = findPart(partName);
    if (part == nullptr) return 0.0;
    double vref = 0.0;
    int32_t offsetCode = 0;
    if (const std::optional<int> k = voltageGroupOf(*part, channelNumber)) {
        vref = referenceVolts[static_cast<std::size_t>(*k)];
        offsetCode = offsetCodes[static_cast<std::size_t>(*k)];
    }
    const int index = indexOfChannelNumber(part, channelNumber);
    return outputVoltage(*part, table(index).DACreg, offsetCode, vref);
}

std::string TransferFunction(std::string_view partName, int channelNumber,
                             const ChannelTable& table, const std::array<int32_t, 3>& offsetCodes,
                             const std::array<double, 3>& referenceVolts) {
    return formatVoltage(
        channelOutputVolts(partName, channelNumber, table, offsetCodes, referenceVolts));
}

}  // namespace kteval
