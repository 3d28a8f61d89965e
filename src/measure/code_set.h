#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kteval {

// The codes a linearity run measures on one channel of a bits-wide DAC (14 or
// 16): 256 codes evenly spaced over 0 ... 2^bits - 1, both ends included, plus
// both sides of every major carry (k x 2^(bits-4) - 1 and k x 2^(bits-4), the
// codes where the upper four bits change) and two more around mid-scale.
// Sorted, each code once; about 290 codes, minutes with a bench meter at 1 NPLC.
// Empty for another width.
std::vector<int32_t> defaultCodes(int bits);

// 0 ... 2^bits - 1: the overnight run. Empty for a width other than 14 or 16.
std::vector<int32_t> everyCode(int bits);

// A channel list as the user writes it: numbers and ranges "a-b" separated by
// commas, blanks allowed around them ("0-3, 8").
struct ChannelList {
    std::vector<int> channels;  // sorted, each channel once; empty on an error
    std::string error;          // empty when the text was read
};

// Reads a channel list; channels beyond largestChannel are an error.
ChannelList parseChannelList(std::string_view text, int largestChannel);

}  // namespace kteval
