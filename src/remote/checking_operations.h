#pragma once

#include <string>

#include "operations.h"

namespace kteval::remote {

// The window's operations as a setup's check sees them: every query reads the
// window as it is, every action is taken and does nothing, so that a whole
// setup can be checked before its first word is sent.
class CheckingOperations : public Operations {
  public:
    explicit CheckingOperations(const Operations& window) : window_(window) {}

    const KT442xModule& module() const override { return window_.module(); }
    bool simulatedBoard() const override { return window_.simulatedBoard(); }
    std::string programVersion() const override { return window_.programVersion(); }
    double referenceVolts(int k) const override { return window_.referenceVolts(k); }
    // The voltage table's text is not part of any check.
    std::string outputVoltageText(int) override { return {}; }
    GpioMode gpioMode() const override { return window_.gpioMode(); }
    bool lineHigh(Line line) const override { return window_.lineHigh(line); }
    VoltLimits limits(int channelIndex) const override { return window_.limits(channelIndex); }
    std::string monitorSourceText() const override { return window_.monitorSourceText(); }

    Outcome readGpio() override { return Outcome::Done; }
    Outcome selectChannel(int) override { return Outcome::Done; }
    Outcome writeChannelRegister(int, Register, uint32_t) override { return Outcome::Done; }
    Outcome setMux(int, MuxSource) override { return Outcome::Done; }
    Outcome writeOffset(int, uint32_t) override { return Outcome::Done; }
    Outcome setReference(int, std::string_view) override { return Outcome::Done; }
    Outcome loadWord(uint32_t) override { return Outcome::Done; }
    Outcome pulseLdac() override { return Outcome::Done; }
    Outcome pulseReset() override { return Outcome::Done; }
    Outcome setLine(Line, bool) override { return Outcome::Done; }
    Outcome setMonitor(bool) override { return Outcome::Done; }
    Outcome setMonitorSource(int) override { return Outcome::Done; }
    Outcome setGpioMode(GpioMode) override { return Outcome::Done; }
    Outcome reloadBoard() override { return Outcome::Done; }
    Outcome chooseInput(bool) override { return Outcome::Done; }
    Outcome setLimits(int, const VoltLimits&) override { return Outcome::Done; }
    int selfTest() override { return 0; }
    // A check measures nothing.
    Measured measureOutput(int) override { return {0.0, {}}; }
    std::string calibrate(const std::vector<int>&) override { return {}; }
    // Ramps and lists of a check change nothing that runs.
    sequence::Sequencer* sequencer() override { return &scratch_; }

  private:
    const Operations& window_;
    sequence::Sequencer scratch_;
};

}  // namespace kteval::remote
