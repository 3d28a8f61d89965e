#pragma once

#include <array>
#include <cstdint>
#include "contract.h"

namespace kteval {

// The registers of one converter channel as the program last wrote them.
// A plain record: nothing is masked or range-checked here.
struct DAC {
    int32_t X2A = 0;     // effective code of input register A
    int32_t X2B = 0;     // effective code of input register B
    int32_t DACreg = 0;  // code in the DAC register (drives the output)
    int32_t X1A = 0;     // input code register A
    int32_t X1B = 0;     // input code register B
    int32_t M = 0;       // gain register
    int32_t C = 0;       // offset register
    int32_t ABsel = 0;   // the channel's bit in its group A/B select word: 0 or 1
};

inline constexpr int kChannelCount = 40;

// The 40 channel records, indices 0-39 (index = 8 x group + position).
// An index outside 0-39 is a programming error.
class ChannelTable {
  public:
    DAC& operator()(int index) {
        KTEVAL_EXPECTS(index >= 0 && index < kChannelCount);
        return records_[static_cast<std::size_t>(index)];
    }
    const DAC& operator()(int index) const {
        KTEVAL_EXPECTS(index >= 0 && index < kChannelCount);
        return records_[static_cast<std::size_t>(index)];
    }
    auto begin() { return records_.begin(); }
    auto end() { return records_.end(); }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

  private:
    std::array<DAC, kChannelCount> records_{};
};

}  // namespace kteval
