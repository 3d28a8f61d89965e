#pragma once

#include <functional>
#include <string>

#include "operations.h"

class QAbstractButton;

namespace kteval::measure {
class MeterBench;
class CalibrationStore;
}  // namespace kteval::measure

namespace kteval::ui {

class FrmMain;
class SequenceRunner;

// The remote commands' actions on the main window. Each one works the window's
// controls as the operator would (click the channel button, choose the option,
// type into the entry, press the button), so the window's own handlers do the
// model change, the labels and the words. The command layer has checked the
// values against the part's rules; while an action runs the window's prompt
// is held, so a box that would still open makes the action Refused.
// An open "Output Voltages" tab is refreshed after every action.
class WindowOperations : public remote::Operations {
  public:
    WindowOperations(FrmMain& window, bool simulatedBoard);

    const KT442xModule& module() const override;
    bool simulatedBoard() const override { return simulated_; }
    std::string programVersion() const override;
    std::string boardName() const override;
    // Where boardName() comes from; an empty answer keeps the default.
    void setBoardName(std::function<std::string()> name) { boardName_ = std::move(name); }
    double referenceVolts(int k) const override;
    std::string outputVoltageText(int channelIndex) override;
    bool operatorBusy() const override;
    remote::GpioMode gpioMode() const override;
    bool lineHigh(remote::Line line) const override;
    VoltLimits limits(int channelIndex) const override;

    remote::Outcome readGpio() override;
    remote::Outcome selectChannel(int channelIndex) override;
    remote::Outcome writeChannelRegister(int channelIndex, remote::Register reg,
                                         uint32_t code) override;
    remote::Outcome setMux(int channelIndex, remote::MuxSource source) override;
    remote::Outcome writeOffset(int k, uint32_t code) override;
    remote::Outcome setReference(int k, std::string_view text) override;
    remote::Outcome loadWord(uint32_t word) override;
    remote::Outcome pulseLdac() override;
    remote::Outcome pulseReset() override;
    remote::Outcome setLine(remote::Line line, bool high) override;
    remote::Outcome setMonitor(bool on) override;
    remote::Outcome setMonitorSource(int position) override;
    remote::Outcome setGpioMode(remote::GpioMode mode) override;
    remote::Outcome reloadBoard() override;
    remote::Outcome chooseInput(bool registerB) override;
    remote::Outcome setLimits(int channelIndex, const VoltLimits& limits) override;

    // Read-back and self-test.
    std::string monitorSourceText() const override;
    int selfTest() override;

    // Ramps and lists, run by runner.
    void setSequenceRunner(SequenceRunner* runner) { runner_ = runner; }
    sequence::Sequencer* sequencer() override;
    void sequencesChanged() override;
    std::chrono::nanoseconds requestTime() const override;

    // Measuring, through the meter at the bench (none: the commands say so),
    // and the board's calibrations.
    void setMeterBench(measure::MeterBench* bench) { meterBench_ = bench; }
    void setCalibrationStore(measure::CalibrationStore* store) { calibrations_ = store; }
    Measured measureOutput(int channelIndex) override;
    std::string calibrate(const std::vector<int>& channelIndices) override;
    std::string calibrationText(int channelIndex) const override;
    std::optional<CalibratedOutput> calibratedOutput(int channelIndex) const override;
    std::string applyCalibration() override;

  private:
    // Runs action with the prompt held; Refused when it would have shown a box.
    template <typename Action>
    remote::Outcome run(Action&& action);
    // Clicks the channel button unless that channel is already chosen.
    void chooseChannel(int channelIndex);
    static void click(QAbstractButton* button);

    FrmMain& window_;
    bool simulated_;
    std::function<std::string()> boardName_;
    measure::MeterBench* meterBench_ = nullptr;
    SequenceRunner* runner_ = nullptr;
    measure::CalibrationStore* calibrations_ = nullptr;
};

}  // namespace kteval::ui
