#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kt442x_module.h"
#include "monitor_state.h"
#include "operations.h"
#include "output_voltage.h"
#include "part_catalogue.h"
#include "part_rules.h"

namespace kteval::remote {

// Records every action as text on a real module of the part; an argument
// the window may not rely on sets invalidCall.
class RecordingOperations : public Operations {
  public:
    explicit RecordingOperations(std::string_view partName) {
        if (const PartInfo* part = findPart(partName)) {
            module_.applySetup(*part);
            module_.ResetChannelTable();
            module_.resetOffsetCodes();
            references_.fill(readReferenceText(part->referenceText));
        }
    }

    std::vector<std::string> calls;
    bool invalidCall = false;
    bool refuse = false;     // every action answers Refused
    int selfTestResult = 0;  // what the board link's read gives; GPIO? reads the pin's drive

    KT442xModule& model() { return module_; }
    const KT442xModule& module() const override { return module_; }
    bool simulatedBoard() const override { return true; }
    std::string programVersion() const override { return "1.0.5"; }
    double referenceVolts(int k) const override { return references_[std::size_t(k)]; }
    std::string outputVoltageText(int index) override {
        return TransferFunction(module_.PartName, channelNumberOfIndex(module_.part(), index),
                                module_.DACs, module_.OffsetCode, references_);
    }
    std::string monitorSourceText() const override { return monitorSource_; }
    GpioMode gpioMode() const override { return gpioMode_; }

    Outcome readGpio() override {
        return act("readGpio", monitor(), [&] { module_.GpioHigh = gpioMode_ == GpioMode::High; });
    }
    Outcome selectChannel(int i) override {
        return act("selectChannel " + std::to_string(i), used(i), [&] { select(i); });
    }
    Outcome writeChannelRegister(int i, Register reg, uint32_t code) override {
        const auto r = std::size_t(reg);
        return act(
            "write " + std::to_string(i) + " " + std::array{"X1A", "X1B", "M", "C"}[r] + " " +
                std::to_string(code),
            used(i) && code <= largestRegisterCode(module_.PartBits), [&] {
                select(i).*std::array{&DAC::X1A, &DAC::X1B, &DAC::M, &DAC::C}[r] = int32_t(code);
            });
    }
    Outcome setMux(int i, MuxSource source) override {
        const bool b = source == MuxSource::B;
        return act("setMux " + std::to_string(i) + (b ? " B" : " A"), used(i),
                   [&] { select(i).ABsel = b; });
    }
    Outcome writeOffset(int k, uint32_t code) override {
        return act("writeOffset " + std::to_string(k) + " " + std::to_string(code),
                   hasOffsetDac(module_.part(), k) && code <= largestCode(kOffsetCodeBits),
                   [&] { module_.OffsetCode[std::size_t(k)] = int32_t(code); });
    }
    Outcome setReference(int k, std::string_view text) override {
        return act("setReference " + std::to_string(k) + " " + std::string(text),
                   hasOffsetDac(module_.part(), k),
                   [&] { references_[std::size_t(k)] = readReferenceText(text); });
    }
    Outcome loadWord(uint32_t word) override {
        return act("loadWord " + std::to_string(word), word <= largestCode(kRawWordBits));
    }
    Outcome pulseLdac() override { return act("pulseLdac"); }
    Outcome pulseReset() override { return act("pulseReset"); }
    Outcome reloadBoard() override { return act("reloadBoard"); }
    Outcome setLine(Line line, bool high) override {
        return act(std::string("setLine ") + std::array{"RESET", "CLR", "LDAC"}[std::size_t(line)] +
                       (high ? " HIGH" : " LOW"),
                   true, [&] { lines_[std::size_t(line)] = high; });
    }
    bool lineHigh(Line line) const override { return lines_[std::size_t(line)]; }
    sequence::Sequencer* sequencer() override { return &sequencer_; }
    VoltLimits limits(int i) const override { return limits_.of(i); }
    Outcome setLimits(int i, const VoltLimits& l) override {
        return act(
            "setLimits " + std::to_string(i) + " " + limitText(l.lower) + " " + limitText(l.upper),
            used(i) && l.lower <= l.upper, [&] { limits_.set(i, l); });
    }
    Outcome setMonitor(bool on) override {
        return act(on ? "setMonitor ON" : "setMonitor OFF", monitor(), [&] {
            module_.MonitorState = monitorEnabled(module_.MonitorState, on ? 1 : 0);
        });
    }
    Outcome setMonitorSource(int at) override {
        return act("setMonitorSource " + monitorEntryText(at),
                   monitor() && at >= 0 && at < monitorEntryCount(*module_.part()) &&
                       monitorOn(module_.MonitorState),
                   [&] { monitorSource_ = monitorEntryText(at); });
    }
    Outcome setGpioMode(GpioMode mode) override {
        return act(
            std::string("setGpioMode ") + std::array{"INPUT", "LOW", "HIGH"}[std::size_t(mode)],
            monitor(), [&] { gpioMode_ = mode; });
    }
    Outcome chooseInput(bool b) override {
        return act(b ? "chooseInput B" : "chooseInput A", true,
                   [&] { module_.UseX1B = b ? -1 : 0; });
    }
    int selfTest() override {
        act("selfTest");
        return selfTestResult;
    }

  private:
    // Records the call, then refuses it or makes its change.
    Outcome act(std::string call, bool valid = true, const std::function<void()>& change = {}) {
        calls.push_back(std::move(call));
        invalidCall = invalidCall || !valid;
        if (refuse) return Outcome::Refused;
        if (change) change();
        return Outcome::Done;
    }
    DAC& select(int i) {
        module_.SelectedDAC = int16_t(i);
        return module_.selected();
    }
    bool used(int i) const { return module_.part() && usesChannelIndex(*module_.part(), i); }
    bool monitor() const { return hasMonitor(module_.part()); }

    KT442xModule module_;
    std::array<double, 3> references_{};
    std::string monitorSource_ = "DAC 0";  // the list's entry at start
    GpioMode gpioMode_ = GpioMode::Input;
    std::array<bool, 3> lines_{true, true, true};
    sequence::Sequencer sequencer_;
    ChannelLimits limits_;
};

}  // namespace kteval::remote
