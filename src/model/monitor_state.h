#pragma once

#include <cstdint>

namespace kteval {

// Bits of the monitor word's data: bit 5 enables the monitor; a monitor input
// pin sets bit 4 with bit 0 naming the pin; a converter channel writes its
// number into bits 4-0.
inline constexpr int32_t kMonitorEnableBit = 0x20;

// cboDisable: position 0 disables (clears bit 5), any other enables.
int32_t monitorEnabled(int32_t state, int listPosition);

// cboMonChannel: 0 = Mon_In0, 1 = Mon_In1, 2.. = channel p - 2, < 0 unchanged.
int32_t monitorChannelChosen(int32_t state, int listPosition);

// The monitor is enabled, and its list can be picked from, while bit 5 is set.
bool monitorOn(int32_t state);

// The GPIO readback: bit 0 of the value read is the pin's level.
bool gpioInputHigh(int32_t value);

}  // namespace kteval
