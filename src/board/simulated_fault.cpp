#include "simulated_fault.h"

#include <array>
#include <charconv>
#include <utility>

namespace kteval {

namespace {

constexpr std::array<std::pair<std::string_view, SimulatedFault::Kind>, 3> kKinds{{
    {"unplugged", SimulatedFault::Kind::Unplugged},
    {"timeout", SimulatedFault::Kind::Timeout},
    {"loadfail", SimulatedFault::Kind::LoadRefused},
}};

SimulatedFaultSetting refuse(std::string_view text) {
    return {std::nullopt, std::string(kSimulatedFaultVariable) +
                              " wants unplugged@N, timeout@N or loadfail@N with N a call number "
                              "from 1, not '" +
                              std::string(text) + "'"};
}

}  // namespace

SimulatedFaultSetting parseSimulatedFault(std::string_view text) {
    if (text.empty()) return {};
    const std::size_t at = text.find('@');
    if (at == std::string_view::npos) return refuse(text);
    const std::string_view name = text.substr(0, at);
    const std::string_view number = text.substr(at + 1);
    int fromCall = 0;
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(number.data(), end, fromCall);
    // from_chars takes a '-'; a call number is digits only.
    if (number.empty() || number.front() == '-' || error != std::errc{} || stop != end ||
        fromCall < 1) {
        return refuse(text);
    }
    for (const auto& [kindName, kind] : kKinds) {
        if (name == kindName) return {SimulatedFault{kind, fromCall}, std::nullopt};
    }
    return refuse(text);
}

}  // namespace kteval
