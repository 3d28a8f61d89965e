#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "channel_limits.h"
#include "kt442x_module.h"
#include "sequencer.h"

namespace kteval::remote {

// What the window did with an action: Done when it ran the operator's
// handler, Refused when it would not (nothing was sent then).
enum class Outcome { Done, Refused };

// The channel register an input row write targets ("X >>" with A or B chosen,
// "M >>", "C >>").
enum class Register { X1A, X1B, M, C };

// The DAC register source of a channel (DACoptMux2: 0 = X2A, 1 = X2B).
enum class MuxSource { A, B };

// The board's control lines (level buttons of the control signal tab).
enum class Line { Reset, Clr, Ldac };

// The GPIO pin choices, in the order of chkGPIO (0, 1, 2).
enum class GpioMode { Input, Low, High };

// The short form of each GPIO choice, as GPIO:MODE takes and answers it.
inline constexpr std::array<std::string_view, 3> kGpioModeNames{"INP", "LOW", "HIGH"};

// The operations a remote command may ask of the window. The window implements
// each action by running the operator's own handlers, so every check, model
// change, label and word is the operator's. The command layer validates every
// argument before it calls an action: the window may rely on channel indices
// the part uses, codes inside the part's limits and entries that exist.
//
// Channel arguments are channel INDICES into the channel table (0-39), not
// the numbers the captions show.
class Operations {
  public:
    virtual ~Operations() = default;

    // --- Read-only state for queries and limits; nothing is sent. ---
    virtual const KT442xModule& module() const = 0;
    virtual bool simulatedBoard() const = 0;
    virtual std::string programVersion() const = 0;
    // The board's name, *IDN?'s third field: its USB serial number, or its
    // port when it reports none.
    virtual std::string boardName() const { return simulatedBoard() ? "SIMULATED" : "USB"; }
    // Reference voltage k (0-2) as the voltage table reads it from its entry
    // (txtVREF(k)).
    virtual double referenceVolts(int k) const = 0;
    // The output voltage of a channel exactly as the "Output Voltages" tab
    // shows it, without "Vout<n>=" and "V" (for example "7.9995").
    virtual std::string outputVoltageText(int channelIndex) = 0;
    // True while the window is starting up, or while an operator's action
    // waits for the operator (a box of theirs is open, or has closed but the
    // action has not gone on yet): no command may run then.
    virtual bool operatorBusy() const { return false; }
    // The chosen GPIO pin option (chkGPIO); the model does not hold it.
    virtual GpioMode gpioMode() const = 0;
    // The level a control line was last set to: by its level buttons, HIGH
    // after "Pulse RESET" for RESET, and HIGH for every line after start-up
    // and "Reload USB" (the board's idle levels).
    virtual bool lineHigh(Line line) const = 0;
    // The output limits of a channel (DAC<n>:VOLTage:LIMit:…); infinite bounds
    // while none is set.
    virtual VoltLimits limits(int /*channelIndex*/) const { return {}; }

    // --- Actions, each as the operator's equivalent. ---
    // "Read": sends the GPIO readback request and reads the level into the
    // module state (GpioHigh).
    virtual Outcome readGpio() = 0;
    // A click on the channel button of index.
    virtual Outcome selectChannel(int channelIndex) = 0;
    // Choose the channel; for X1A/X1B choose A or B in the A/B option when it
    // is not chosen yet (which sends its control word); put code in the
    // active input row and press "X >>", "M >>" or "C >>".
    // code fits the part's code width.
    virtual Outcome writeChannelRegister(int channelIndex, Register reg, uint32_t code) = 0;
    // Choose the channel, then the multiplexer option A (X2A) or B (X2B),
    // sending the group's A/B select word.
    virtual Outcome setMux(int channelIndex, MuxSource source) = 0;
    // Offset DAC k (0-2, one the part shows): the 14-bit code into
    // txtOffsetValue(k), then ">> Offset DAC k".
    virtual Outcome writeOffset(int k, uint32_t code) = 0;
    // Reference entry k (one the part shows): text typed into txtVREF(k),
    // then Enter (which reads it as a number and shows its decimal text).
    virtual Outcome setReference(int k, std::string_view text) = 0;
    // A raw 24-bit word through "Load Command".
    virtual Outcome loadWord(uint32_t word) = 0;
    // "Pulse LDAC" on the selected channel.
    virtual Outcome pulseLdac() = 0;
    // "Pulse RESET".
    virtual Outcome pulseReset() = 0;
    // A level button: RESET/CLR/LDAC High or Low.
    virtual Outcome setLine(Line line, bool high) = 0;
    // cboDisable: "Monitor Enabled" (on) or "Monitor Disabled".
    virtual Outcome setMonitor(bool on) = 0;
    // cboMonChannel: the list entry at position (monitorEntryText); the entry
    // exists on the part and the monitor is enabled.
    virtual Outcome setMonitorSource(int position) = 0;
    // chkGPIO: "Pin is Input", "Pin is Output = Low", "Pin is Output = High".
    virtual Outcome setGpioMode(GpioMode mode) = 0;
    // "Reload USB".
    virtual Outcome reloadBoard() = 0;
    // A click on the A/B option (optAB) of register B or A, which sends the
    // control word even when that option is chosen already.
    virtual Outcome chooseInput(bool registerB) = 0;
    // Sets a channel's output limits; sends nothing. The command layer has
    // checked that the lower bound is not above the upper one and that the
    // channel's present output lies within them.
    virtual Outcome setLimits(int channelIndex, const VoltLimits& limits) = 0;

    // --- Read-back of settings only the window holds; nothing is sent. ---
    // The text of the monitor list's chosen entry ("DAC 5", "Mon_In0").
    virtual std::string monitorSourceText() const = 0;

    // --- The multimeter: measuring and calibration. Without a meter every
    // one of these fails with noMeter. ---
    static constexpr const char* kNoMeter = "no meter: start kteval with --dmm ADDRESS";
    // The meter's reading at a channel's output (routed there first): volts,
    // or why there is none.
    struct Measured {
        std::optional<double> volts;
        std::string error;
    };
    virtual Measured measureOutput(int /*channelIndex*/) { return {std::nullopt, kNoMeter}; }
    // Calibrates the channels (indices) one after another; empty when every
    // one was calibrated, else why it stopped.
    virtual std::string calibrate(const std::vector<int>& /*channelIndices*/) { return kNoMeter; }
    // A channel's calibration as DAC<n>:CALibrate? answers it; NONE when it
    // has none.
    virtual std::string calibrationText(int /*channelIndex*/) const { return "NONE"; }
    // What the pin of a calibrated channel carries for input code x, as its
    // calibration measured it: (1 + gain) x the ideal output of x (full-scale
    // M, mid-scale C) + offsetVolts. nullopt for a channel without one.
    struct CalibratedOutput {
        double gain = 0.0;
        double offsetVolts = 0.0;
    };
    virtual std::optional<CalibratedOutput> calibratedOutput(int /*channelIndex*/) const {
        return std::nullopt;
    }
    // Writes the M and C of this board's saved calibration ("CALibrate:LOAD");
    // empty when it was applied, else why not.
    virtual std::string applyCalibration() { return "no calibration of this board is kept"; }

    // --- Ramps and lists ---
    // The ramps and lists of the program; nullptr where there are none.
    virtual sequence::Sequencer* sequencer() { return nullptr; }
    // A ramp or list was started, triggered or aborted: its steps are due.
    virtual void sequencesChanged() {}
    // How long one request takes on the board link in use.
    virtual std::chrono::nanoseconds requestTime() const { return std::chrono::microseconds(125); }

    // --- Self-test (*TST?). ---
    // One Read request (request 221, direction 1, length 3): it clocks out the
    // chip's readback register and writes nothing, sets no line and changes
    // no label. 0 when the board link answered, else its negative result.
    virtual int selfTest() = 0;
};

// The three reference entries as the voltage table reads them.
inline std::array<double, 3> referenceVoltsOf(const Operations& ops) {
    return {ops.referenceVolts(0), ops.referenceVolts(1), ops.referenceVolts(2)};
}

}  // namespace kteval::remote
