#pragma once

#include <array>
#include <cstdint>
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

// An Operations that records every action as a line of text and keeps a real
// module for the part, changed the way the window's handlers change it (as
// far as queries see it). Arguments the window may rely on are checked:
// a call with one it may not rely on sets invalidCall.
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
    bool refuse = false;  // every action answers Refused
    bool gpioHigh = false;
    int selfTestResult = 0;  // what the board link's read gives

    KT442xModule& model() { return module_; }
    const KT442xModule& module() const override { return module_; }
    bool simulatedBoard() const override { return true; }
    std::string programVersion() const override { return "1.0.5"; }
    double referenceVolts(int k) const override { return references_[static_cast<std::size_t>(k)]; }
    std::string outputVoltageText(int channelIndex) override {
        return TransferFunction(module_.PartName,
                                channelNumberOfIndex(module_.part(), channelIndex), module_.DACs,
                                module_.OffsetCode, references_);
    }

    Outcome readGpio() override {
        if (record("readGpio", hasMonitor(module_.part()))) return Outcome::Refused;
        module_.GpioHigh = gpioHigh;
        return Outcome::Done;
    }
    Outcome selectChannel(int index) override {
        if (record("selectChannel " + std::to_string(index), channelUsed(index)))
            return Outcome::Refused;
        module_.SelectedDAC = static_cast<int16_t>(index);
        return Outcome::Done;
    }
    Outcome writeChannelRegister(int index, Register reg, uint32_t code) override {
        constexpr std::array<const char*, 4> kNames{"X1A", "X1B", "M", "C"};
        const auto r = static_cast<std::size_t>(reg);
        const bool valid = channelUsed(index) && code <= largestRegisterCode(module_.PartBits);
        if (record("write " + std::to_string(index) + " " + kNames[r] + " " + std::to_string(code),
                   valid)) {
            return Outcome::Refused;
        }
        module_.SelectedDAC = static_cast<int16_t>(index);
        constexpr std::array<int32_t DAC::*, 4> kFields{&DAC::X1A, &DAC::X1B, &DAC::M, &DAC::C};
        module_.selected().*kFields[r] = static_cast<int32_t>(code);
        return Outcome::Done;
    }
    Outcome setMux(int index, MuxSource source) override {
        const bool b = source == MuxSource::B;
        if (record("setMux " + std::to_string(index) + (b ? " B" : " A"), channelUsed(index))) {
            return Outcome::Refused;
        }
        module_.SelectedDAC = static_cast<int16_t>(index);
        module_.selected().ABsel = b ? 1 : 0;
        return Outcome::Done;
    }
    Outcome writeOffset(int k, uint32_t code) override {
        if (record("writeOffset " + std::to_string(k) + " " + std::to_string(code),
                   hasOffsetDac(module_.part(), k) && code <= largestCode(kOffsetCodeBits))) {
            return Outcome::Refused;
        }
        module_.OffsetCode[static_cast<std::size_t>(k)] = static_cast<int32_t>(code);
        return Outcome::Done;
    }
    Outcome setReference(int k, std::string_view text) override {
        if (record("setReference " + std::to_string(k) + " " + std::string(text),
                   hasOffsetDac(module_.part(), k))) {
            return Outcome::Refused;
        }
        references_[static_cast<std::size_t>(k)] = readReferenceText(text);
        return Outcome::Done;
    }
    Outcome loadWord(uint32_t word) override {
        return outcome(
            record("loadWord " + std::to_string(word), word <= largestCode(kRawWordBits)));
    }
    Outcome pulseLdac() override { return outcome(record("pulseLdac", true)); }
    Outcome pulseReset() override { return outcome(record("pulseReset", true)); }
    Outcome setLine(Line line, bool high) override {
        constexpr std::array<const char*, 3> kNames{"RESET", "CLR", "LDAC"};
        return outcome(record(std::string("setLine ") + kNames[static_cast<std::size_t>(line)] +
                                  (high ? " HIGH" : " LOW"),
                              true));
    }
    Outcome setMonitor(bool on) override {
        if (record(on ? "setMonitor ON" : "setMonitor OFF", monitorFamily()))
            return Outcome::Refused;
        module_.MonitorState = monitorEnabled(module_.MonitorState, on ? 1 : 0);
        return Outcome::Done;
    }
    Outcome setMonitorSource(int position) override {
        const bool valid = monitorFamily() && position >= 0 &&
                           position < monitorEntryCount(*module_.part()) &&
                           monitorOn(module_.MonitorState);
        if (record("setMonitorSource " + monitorEntryText(position), valid))
            return Outcome::Refused;
        monitorSource_ = monitorEntryText(position);
        return Outcome::Done;
    }
    Outcome setGpioMode(GpioMode mode) override {
        constexpr std::array<const char*, 3> kNames{"INPUT", "LOW", "HIGH"};
        if (record(std::string("setGpioMode ") + kNames[static_cast<std::size_t>(mode)],
                   monitorFamily())) {
            return Outcome::Refused;
        }
        gpioMode_ = mode;
        return Outcome::Done;
    }
    Outcome reloadBoard() override { return outcome(record("reloadBoard", true)); }
    Outcome chooseInput(bool registerB) override {
        if (record(registerB ? "chooseInput B" : "chooseInput A", true)) return Outcome::Refused;
        module_.UseX1B = registerB ? -1 : 0;
        return Outcome::Done;
    }
    std::string monitorSourceText() const override { return monitorSource_; }
    GpioMode gpioMode() const override { return gpioMode_; }
    int selfTest() override {
        record("selfTest", true);
        return selfTestResult;
    }

  private:
    // Records the call; true when the action is to be refused.
    bool record(std::string call, bool valid) {
        calls.push_back(std::move(call));
        invalidCall = invalidCall || !valid;
        return refuse;
    }
    Outcome outcome(bool refused) const { return refused ? Outcome::Refused : Outcome::Done; }
    bool channelUsed(int index) const {
        return module_.part() != nullptr && usesChannelIndex(*module_.part(), index);
    }
    bool monitorFamily() const { return hasMonitor(module_.part()); }

    KT442xModule module_;
    std::array<double, 3> references_{};
    std::string monitorSource_ = "DAC 0";  // the list's entry at start
    GpioMode gpioMode_ = GpioMode::Input;
};

}  // namespace kteval::remote
