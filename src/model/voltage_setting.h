#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "kt442x_module.h"
#include "part_catalogue.h"

namespace kteval {

// What a channel's output voltage depends on besides its input code: its gain
// and offset registers, the offset DAC code and the reference voltage of its
// voltage group (both 0 for a channel outside every group).
struct ChannelSettings {
    int32_t m = 0;
    int32_t c = 0;
    int32_t offsetCode = 0;
    double vref = 0.0;
};

// The output voltages a channel can reach with its present settings: the
// voltages of input codes 0 and full scale, the lower one first, and the
// voltage of one DAC register code step (4 x VREF / 2^bits, signed as VREF).
struct VoltageReach {
    double lowest = 0.0;
    double highest = 0.0;
    double step = 0.0;
};

// The settings of the channel of index channelIndex; referenceVolts are the
// reference entries read as the voltage table reads them.
ChannelSettings channelSettings(const KT442xModule& module, int channelIndex,
                                const std::array<double, 3>& referenceVolts);

VoltageReach voltageReach(const PartInfo& part, const ChannelSettings& settings);

// The input code (0 to 2^bits - 1) whose effective code gives the output
// voltage nearest to volts, computed as the voltage table computes it; the
// lowest such code on a tie. nullopt when volts lies more than half a step
// outside the reach (or is not a number). With a reference of 0 every code
// gives 0 V and code 0 is chosen for 0 V.
std::optional<int32_t> inputCodeForVoltage(const PartInfo& part, const ChannelSettings& settings,
                                           double volts);

}  // namespace kteval
