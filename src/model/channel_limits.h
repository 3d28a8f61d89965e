#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "kt442x_module.h"
#include "part_catalogue.h"

namespace kteval {

// The lowest and the highest output voltage a channel may be driven to. An
// infinite bound is no bound: the default is no limit at all.
struct VoltLimits {
    double lower = -std::numeric_limits<double>::infinity();
    double upper = std::numeric_limits<double>::infinity();
    bool operator==(const VoltLimits&) const = default;
};

// True when volts lies within the limits, bounds included.
bool withinLimits(const VoltLimits& limits, double volts);

// Every channel's limits by channel index (0-39); none at start.
class ChannelLimits {
  public:
    const VoltLimits& of(int channelIndex) const;
    void set(int channelIndex, const VoltLimits& limits);
    // True while no channel has a limit.
    bool none() const;

  private:
    std::array<VoltLimits, kChannelCount> limits_{};
};

// What the output voltages are computed from: the model and the reference
// entries read as numbers (as the voltage table reads them).
struct OutputState {
    KT442xModule module;
    std::array<double, 3> referenceVolts{};
};

// The output voltage of a channel now: its DAC register, as the "Output
// Voltages" tab computes it.
double presentOutputVolts(const OutputState& state, int channelIndex);

// The output voltage the channel would have after its next LDAC: the
// effective code of the register its multiplexer selects (X2B when its A/B
// choice is B, else X2A), through the same computation.
double nextLoadOutputVolts(const OutputState& state, int channelIndex);

// The state after an action, changed as the window's handler changes the
// model. A register write: the channel selected, the register (X1A, X1B, M or
// C) set and the effective code of the input register UseX1B names
// recomputed.
OutputState afterRegisterWrite(OutputState state, int channelIndex, int32_t DAC::*field,
                               int32_t code);
OutputState afterOffsetWrite(OutputState state, int k, int32_t code);
OutputState afterReference(OutputState state, int k, double volts);
// "Pulse LDAC": the selected channel's DAC register takes X2B (fromB) or X2A.
OutputState afterLdac(OutputState state, bool fromB);

// A channel an action would drive outside its limits.
struct LimitBreach {
    int channelIndex = 0;
    double volts = 0.0;  // the output it would reach
    bool upper = false;  // above its upper limit, else below its lower one
    double limit = 0.0;
};

// The first channel of the part whose present output or next-LDAC output in
// after lies outside its limits and is not what it was in before. A channel
// left outside by something no limit can hold back (a RESET, a reload) does
// not block the actions on other channels; any change of its own that keeps
// it outside is refused.
std::optional<LimitBreach> limitBreach(const ChannelLimits& limits, const OutputState& before,
                                       const OutputState& after);

// The refusal's text: "DAC5 would reach 6.0000 V, above its upper limit 5.0000 V".
std::string breachText(const PartInfo& part, const LimitBreach& breach);

// A limit as a query answers it and a command takes it: the shortest exact
// decimal, 9.9E37 for no upper and -9.9E37 for no lower bound (SCPI's
// infinities).
std::string limitText(double bound);

// Magnitudes from 9.9E37 up stand for no bound.
inline constexpr double kNoBound = 9.9e37;

}  // namespace kteval
