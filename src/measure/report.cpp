#include "report.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "output_voltage.h"
#include "report_text.h"

namespace kteval {

namespace {

constexpr int kLsbDecimals = 4;
constexpr int kPercentDecimals = 6;
constexpr int kVoltsDigits = 10;  // significant: 1 nV at 10 V, beyond any bench meter

constexpr std::string_view kSummaryColumns[] = {"channel",
                                                "readings",
                                                "zero_code_error_volts",
                                                "offset_error_volts",
                                                "offset_error_lsb",
                                                "gain_error_percent",
                                                "gain_low_code",
                                                "gain_high_code",
                                                "end_point_lsb_volts",
                                                "max_end_point_inl_lsb",
                                                "max_end_point_inl_code",
                                                "best_fit_lsb_volts",
                                                "best_fit_zero_volts",
                                                "max_best_fit_inl_lsb",
                                                "max_best_fit_inl_code",
                                                "dnl_steps",
                                                "min_dnl_lsb",
                                                "min_dnl_code",
                                                "max_dnl_lsb",
                                                "max_dnl_code",
                                                "monotonic",
                                                "first_reversal_code",
                                                "problem"};

// Measured volts exactly as read; nothing for what is no number.
std::string measuredText(double volts) {
    return std::isfinite(volts) ? formatExact(volts) : std::string();
}

// Computed volts: 10 significant digits, which drops the last bits of
// rounding; nothing for what is no number.
std::string voltsText(double volts) {
    if (!std::isfinite(volts)) return "";
    if (volts == 0) return "0";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, volts,
                                      std::chars_format::general, kVoltsDigits);
    return std::string(buffer, result.ptr);
}

std::string lsbText(double value) {
    return fixedText(value, kLsbDecimals);
}

// A field quoted when it holds a comma, a quote or a line break.
std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

void appendRow(std::string& csv, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) csv += ',';
        csv += csvField(fields[i]);
    }
    csv += '\n';
}

std::vector<std::string> summaryRow(const ChannelLinearity& channel) {
    const LinearitySummary& s = channel.linearity.summary;
    const std::optional<double> zeroError = s.zeroCodeErrorVolts;
    std::vector<std::string> row{std::to_string(channel.channel), std::to_string(s.readingCount),
                                 zeroError ? voltsText(*zeroError) : std::string()};
    if (s.problem.empty()) {
        const std::string figures[] = {voltsText(s.offsetErrorVolts),
                                       lsbText(s.offsetErrorLsb),
                                       fixedText(s.gainErrorPercent, kPercentDecimals),
                                       std::to_string(s.gainLowCode),
                                       std::to_string(s.gainHighCode),
                                       voltsText(s.endPointLsbVolts),
                                       lsbText(s.maxEndPointInl),
                                       std::to_string(s.maxEndPointInlCode),
                                       voltsText(s.bestFitLsbVolts),
                                       voltsText(s.bestFitZeroVolts),
                                       lsbText(s.maxBestFitInl),
                                       std::to_string(s.maxBestFitInlCode),
                                       std::to_string(s.dnlSteps),
                                       s.dnlSteps > 0 ? lsbText(s.minDnl) : "",
                                       s.dnlSteps > 0 ? std::to_string(s.minDnlCode) : "",
                                       s.dnlSteps > 0 ? lsbText(s.maxDnl) : "",
                                       s.dnlSteps > 0 ? std::to_string(s.maxDnlCode) : "",
                                       s.monotonic ? "yes" : "no",
                                       s.firstReversal ? std::to_string(*s.firstReversal) : ""};
        row.insert(row.end(), std::begin(figures), std::end(figures));
    } else {
        row.resize(std::size(kSummaryColumns) - 1);
    }
    row.push_back(s.problem);
    return row;
}

}  // namespace

std::string fixedText(double value, int decimals) {
    if (!std::isfinite(value)) return "";
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

std::string xmlEscaped(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string readingsCsv(std::span<const ChannelLinearity> channels) {
    std::string csv = "channel,code,expected_volts,measured_volts,error_lsb\n";
    for (const ChannelLinearity& channel : channels) {
        for (const ReadingResult& r : channel.linearity.readings) {
            appendRow(
                csv, {std::to_string(channel.channel), std::to_string(r.code),
                      voltsText(r.idealVolts), measuredText(r.measuredVolts), lsbText(r.errorLsb)});
        }
    }
    return csv;
}

std::string summaryCsvHeader() {
    std::string header;
    appendRow(header, {std::begin(kSummaryColumns), std::end(kSummaryColumns)});
    return header;
}

std::string summaryCsv(std::span<const ChannelLinearity> channels) {
    std::string csv = summaryCsvHeader();
    for (const ChannelLinearity& channel : channels) appendRow(csv, summaryRow(channel));
    return csv;
}

}  // namespace kteval
