#include "simulated_meter.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <thread>

namespace kteval::meter {

namespace {

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

// The simulated mains: 50 Hz.
constexpr double kPowerLineSeconds = 0.02;

}  // namespace

SimulatedMeter::SimulatedMeter(Source source, Router router, bool paced)
    : source_(std::move(source)), router_(std::move(router)), paced_(paced) {}

void SimulatedMeter::send(std::string_view command) {
    const std::string text = upper(command);
    if (text == "*IDN?") {
        answers_.push_back("kteval,Simulated DMM,SIMULATED,1.0");
    } else if (text == "*CLS") {
        errors_.clear();
    } else if (text == "READ?") {
        if (paced_) {
            std::this_thread::sleep_for(std::chrono::duration<double>(nplc_ * kPowerLineSeconds));
        }
        // A pin that carries nothing floats: the meter reads an overload.
        const double pin = source_();
        const double volts = std::isfinite(pin) ? pin : 9.9e37;
        // "+2.49987000E+00", with a '.' whatever the locale.
        char reading[32];
        reading[0] = volts < 0 ? '-' : '+';
        const auto written = std::to_chars(reading + 1, reading + sizeof reading, std::fabs(volts),
                                           std::chars_format::scientific, 8);
        answers_.push_back(upper(std::string_view(reading, written.ptr)));
    } else if (text == "SYST:ERR?" || text == "SYSTEM:ERROR?") {
        answers_.push_back(errors_.empty() ? "+0,\"No error\"" : errors_.front());
        if (!errors_.empty()) errors_.pop_front();
    } else if (text.starts_with("CONF:VOLT:DC")) {
        // Every range is taken: the simulated input never overloads.
    } else if (text.starts_with("VOLT:DC:NPLC ")) {
        double nplc = 0.0;
        const auto [end, ec] = std::from_chars(text.data() + 13, text.data() + text.size(), nplc);
        if (ec == std::errc() && end == text.data() + text.size() && nplc >= 0.02 && nplc <= 100) {
            nplc_ = nplc;
        } else {
            errors_.push_back("-222,\"Data out of range\"");
        }
    } else if (!router_ || !router_(command)) {
        errors_.push_back("-113,\"Undefined header\"");
    }
}

std::string SimulatedMeter::receive(std::chrono::milliseconds timeout) {
    if (answers_.empty()) {
        throw MeterFailure("no answer within " + std::to_string(timeout.count()) + " ms");
    }
    std::string answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
}

}  // namespace kteval::meter
