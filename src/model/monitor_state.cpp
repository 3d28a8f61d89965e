#include "monitor_state.h"

namespace kteval {

int32_t monitorEnabled(int32_t state, int listPosition) {
    return listPosition == 0 ? (state & 0xDF) : (state | kMonitorEnableBit);
}

int32_t monitorChannelChosen(int32_t state, int listPosition) {
    if (listPosition < 0) return state;
    if (listPosition == 0) return (state & 0xFE) | 0x10;
    if (listPosition == 1) return (state | 0x01) | 0x10;
    return (state & 0xE0) | (listPosition - 2);
}

bool monitorOn(int32_t state) {
    return (state & kMonitorEnableBit) != 0;
}

bool gpioInputHigh(int32_t value) {
    return (value & 1) != 0;
}

}  // namespace kteval
