#pragma once

#include <cstdint>
#include <string>

#include "operations.h"
#include "part_catalogue.h"

namespace kteval::remote {

// An action that reached the board, as the window's handler that sent it
// reports it: enough to write it again as a command. Channel arguments are
// channel indices.
struct SentAction {
    enum class Kind {
        Register,       // "X >>", "M >>", "C >>": reg, channel, code
        Mux,            // DACoptMux2: channel, choice (B)
        Input,          // optAB: choice (B)
        Offset,         // ">> Offset DAC k": group, code
        Word,           // "Load Command": code
        Ldac,           // "Pulse LDAC": channel, choice (it copied the channel's own A/B choice)
        Reset,          // "Pulse RESET"
        Line,           // a level button: line, choice (high)
        Monitor,        // cboDisable: choice (enabled)
        MonitorSource,  // cboMonChannel: entry
        Gpio,           // chkGPIO: gpio
        GpioRead,       // "Read"
        Reload,         // "Reload USB"
        Reference,      // a reference entry's new value (sends nothing): group, entry
        Limit,          // a channel's output limit (sends nothing): channel, choice (upper), entry
    };
    Kind kind;
    int channel = 0;
    Register reg = Register::X1A;
    bool choice = false;
    uint32_t code = 0;
    int group = 0;
    remote::Line line = remote::Line::Reset;
    GpioMode gpio = GpioMode::Input;
    std::string entry{};
};

// Told of every action the window sends, in the order the words go out.
class ActionListener {
  public:
    virtual ~ActionListener() = default;
    virtual void actionSent(const SentAction& action) = 0;
};

// The command line that does action again on a program in the same state.
// "Pulse LDAC" acts on the selected channel: its line chooses the channel
// first, unless the LDAC copied the other register than the channel's choice
// (the option is left at X2A after a reset): then choosing would change it.
std::string commandLine(const SentAction& action, const PartInfo& part);

// The command that opens a setup or a recording: the part it was made for.
std::string partCommand(const PartInfo& part);

}  // namespace kteval::remote
