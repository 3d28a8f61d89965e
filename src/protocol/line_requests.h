#pragma once

#include <cstdint>
#include <optional>

namespace kteval::word {

// The board's control lines.
enum class ControlLine { Reset, Clr, Ldac };

// The six level buttons (cmdRESET 0-5): RESET high, low; CLR high, low;
// LDAC high, low.
inline constexpr int kLevelButtonCount = 6;

// The level button that sets line to the level.
int levelButtonIndex(ControlLine line, bool high);

// The line request of a level button; nullopt outside 0-5.
std::optional<int16_t> levelButtonRequest(int index);

}  // namespace kteval::word
