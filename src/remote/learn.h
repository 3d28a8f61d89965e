#pragma once

#include <array>
#include <string>

#include "channel_limits.h"
#include "kt442x_module.h"
#include "operations.h"
#include "sequencer.h"

namespace kteval::remote {

// What *LRN? reads besides the model: the reference entries read as numbers,
// the GPIO pin choice and the held line levels (which only the window holds).
struct WindowChoices {
    std::array<double, 3> referenceVolts{};
    GpioMode gpio = GpioMode::Input;
    std::array<bool, 3> linesHigh{true, true, true};        // RESET, CLR, LDAC
    const sequence::SequenceSettings* sequences = nullptr;  // slew rates and lists
    ChannelLimits limits{};
};

// One line of commands that brings a freshly started program of the same part
// to the state of module and choices, as far as the queries see it: the part
// (first, so that another part refuses the line), offset DAC codes, reference
// entries, monitor and GPIO choices, every channel's registers, effective
// codes, DAC register and A/B choice, the input register choice, the selected
// channel, the held line levels and last the channels' output limits. Commands are separated by ';' and each
// starts from the root (':'), so the line does not depend on the path rule.
std::string learnLine(const KT442xModule& module, const WindowChoices& choices);

}  // namespace kteval::remote
