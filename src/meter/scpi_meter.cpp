#include "scpi_meter.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kteval::meter {

namespace {

// Meters read an overload as 9.9E37.
constexpr double kOverload = 9.9e37;

bool printable(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
            return false;
        }
    }
    return true;
}

// The answer as the message shows it: cut, with what is not printable escaped.
std::string shown(std::string_view answer) {
    std::string text;
    for (const char c : answer.substr(0, 60)) {
        if (printable(std::string_view(&c, 1))) {
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
            text += escaped;
        }
    }
    return answer.size() > 60 ? text + "..." : text;
}

// "+0,"No error"" and "0,..." mean a clean queue.
bool noError(std::string_view answer) {
    if (answer.starts_with('+')) answer.remove_prefix(1);
    return answer.starts_with("0,") || answer == "0";
}

}  // namespace

std::chrono::milliseconds readingTimeout(const MeterSettings& settings) {
    return settings.answerTimeout +
           std::chrono::milliseconds(static_cast<int64_t>(settings.nplc * 2 * 20));
}

ScpiMeter::ScpiMeter(std::unique_ptr<MeterChannel> channel, std::string address)
    : channel_(std::move(channel)), address_(std::move(address)) {}

std::string ScpiMeter::name() const {
    return identity_.empty() ? address_ : address_ + " (" + identity_ + ")";
}

void ScpiMeter::fail(const std::string& what) {
    throw MeterFailure("meter " + name() + ": " + what);
}

std::string ScpiMeter::query(std::string_view text, std::chrono::milliseconds timeout) {
    try {
        channel_->send(text);
        return channel_->receive(timeout);
    } catch (const MeterFailure& failure) {
        fail(std::string(text) + ": " + failure.what());
    }
}

void ScpiMeter::start(MeterSettings settings) {
    settings_ = std::move(settings);
    const std::string identity = query("*IDN?", settings_.answerTimeout);
    if (identity.empty() || !printable(identity)) {
        fail("answered '" + shown(identity) + "' to *IDN?");
    }
    identity_ = identity;
    // A '.' whatever the locale.
    char nplc[32];
    const auto written = std::to_chars(nplc, nplc + sizeof nplc, settings_.nplc);
    command("*CLS");
    command("CONF:VOLT:DC " + settings_.range);
    command("VOLT:DC:NPLC " + std::string(nplc, written.ptr));
}

void ScpiMeter::command(std::string_view text) {
    try {
        channel_->send(text);
    } catch (const MeterFailure& failure) {
        fail(failure.what());
    }
    checkErrors();
}

void ScpiMeter::checkErrors() {
    const std::string answer = query("SYST:ERR?", settings_.answerTimeout);
    if (!noError(answer)) fail("reports " + shown(answer));
}

double ScpiMeter::read() {
    std::string answer = query("READ?", readingTimeout(settings_));
    std::string_view text = answer;
    while (!text.empty() && (text.front() == ' ' || text.front() == '+')) text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    double volts = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), volts);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(volts)) {
        fail("answered '" + shown(answer) + "' to READ?, not a reading");
    }
    if (std::fabs(volts) >= kOverload) fail("reads an overload (" + shown(answer) + ")");
    return volts;
}

}  // namespace kteval::meter
