#include "code_set.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kteval {

namespace {

constexpr int kEvenCodes = 256;
constexpr int kCarryBits = 4;

bool knownWidth(int bits) {
    return bits == 14 || bits == 16;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// A whole non-negative decimal number, or -1.
int channelNumber(std::string_view text) {
    text = trimmed(text);
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '-' || text.front() == '+' || error != std::errc{} ||
        end != text.data() + text.size())
        return -1;
    return value;
}

ChannelList failure(std::string error) {
    return ChannelList{{}, std::move(error)};
}

}  // namespace

std::vector<int32_t> defaultCodes(int bits) {
    if (!knownWidth(bits)) return {};
    const int32_t largest = (int32_t{1} << bits) - 1;
    std::vector<int32_t> codes;
    for (int i = 0; i < kEvenCodes; ++i) {
        codes.push_back(static_cast<int32_t>(
            std::nearbyint(static_cast<double>(i) * largest / (kEvenCodes - 1))));
    }
    const int32_t carryStep = int32_t{1} << (bits - kCarryBits);
    for (int32_t carry = carryStep; carry <= largest; carry += carryStep) {
        codes.push_back(carry - 1);
        codes.push_back(carry);
    }
    // Mid-scale is the largest carry of all: one more step on each side.
    const int32_t mid = int32_t{1} << (bits - 1);
    codes.push_back(mid - 2);
    codes.push_back(mid + 1);
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

std::vector<int32_t> everyCode(int bits) {
    if (!knownWidth(bits)) return {};
    std::vector<int32_t> codes(std::size_t{1} << bits);
    for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = static_cast<int32_t>(i);
    return codes;
}

ChannelList parseChannelList(std::string_view text, int largestChannel) {
    if (trimmed(text).empty()) return failure("no channel given");
    std::vector<int> channels;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::string shown(trimmed(item));
        const std::size_t dash = item.find('-');
        const int first = channelNumber(item.substr(0, dash));
        const int last =
            dash == std::string_view::npos ? first : channelNumber(item.substr(dash + 1));
        if (first < 0 || last < 0)
            return failure("\"" + shown + "\" is neither a channel number nor a range a-b");
        if (last < first) return failure("the range " + shown + " runs backwards");
        if (last > largestChannel)
            return failure("channel " + std::to_string(last) + " is beyond the last channel, " +
                           std::to_string(largestChannel));
        for (int channel = first; channel <= last; ++channel) channels.push_back(channel);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    std::sort(channels.begin(), channels.end());
    channels.erase(std::unique(channels.begin(), channels.end()), channels.end());
    return ChannelList{std::move(channels), {}};
}

}  // namespace kteval
