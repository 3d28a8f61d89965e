#include "line_requests.h"

#include <array>

#include "request_codes.h"

namespace kteval::word {

int levelButtonIndex(ControlLine line, bool high) {
    return 2 * static_cast<int>(line) + (high ? 0 : 1);
}

std::optional<int16_t> levelButtonRequest(int index) {
    constexpr std::array<int16_t, kLevelButtonCount> kRequests = {
        request::ResetHigh, request::ResetLow, request::ClrHigh,
        request::ClrLow,    request::LdacHigh, request::LdacLow};
    if (index < 0 || index >= kLevelButtonCount) return std::nullopt;
    return kRequests[static_cast<std::size_t>(index)];
}

}  // namespace kteval::word
