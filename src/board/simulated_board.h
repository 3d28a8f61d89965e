#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "analog_model.h"
#include "chip_word.h"
#include "dac.h"
#include "part_catalogue.h"
#include "simulated_fault.h"
#include "usb_functions.h"

namespace kteval {

// The registers of one simulated channel. Codes are the part's register
// values: 0 to 2^bits - 1 (the 14-bit parts hold data >> 2).
struct ChannelRegisters {
    int32_t X1A = 0;
    int32_t X1B = 0;
    int32_t M = 0;
    int32_t C = 0;
    int32_t DACreg = 0;

    bool operator==(const ChannelRegisters&) const = default;
};

// Everything the simulated chip and board hold; compared whole in tests.
struct ChipState {
    std::array<ChannelRegisters, kChannelCount> channels{};
    bool controlSelectsB = false;          // control register bit 2: X writes go to X1B
    std::array<int32_t, 3> offsetDacs{};   // 14-bit offset DAC codes
    std::array<int32_t, 5> groupSelect{};  // A/B select masks, 8 bits each (1 = X2B)
    int32_t monitor = 0;                   // monitor register, bits 5-0
    int32_t gpioConfig = 0;                // bit 1 output enable, bit 0 output level
    int32_t readbackSelection = 0;         // last readback word's data
    bool resetHigh = true;                 // board line levels
    bool clrHigh = true;
    bool ldacHigh = true;
    bool gpioInputLevel = false;  // what an outside circuit drives on the GPIO pin

    bool operator==(const ChipState&) const = default;
};

// The evaluation board with its firmware and a fitted converter chip, behind
// the same two operations as the real library. Word writes go into the chip's
// registers; LDAC (pulsed, or held low) loads each channel's DAC register from
// the effective code of the input register its group select bit names; RESET
// low then high restores the power-on state; CLR low forces the outputs to 0 V.
class SimulatedBoard : public USBFunctions {
  public:
    static constexpr int16_t kUnknownRequest = -1;  // request code the firmware lacks
    static constexpr int16_t kBadArguments = -2;    // malformed arguments; nothing done

    SimulatedBoard();  // a KT4421 fitted, ideal outputs
    explicit SimulatedBoard(const PartInfo& part);
    // A board whose output pins follow analog (an AnalogModel(seed) for one
    // with errors and noise).
    SimulatedBoard(const PartInfo& part, AnalogModel analog);

    // Fits part (the operator's choice) and powers it up.
    void setPart(const PartInfo& part);
    const PartInfo& part() const { return part_; }

    // Acts out fault from its call on (counting from the next call as 1 when
    // calls have been made); nullopt: a board that never fails.
    void setFault(std::optional<SimulatedFault> fault);

    // Every vendor request takes this long, as a control transfer on a real
    // link does (about 125 us at high speed); 0, the default, answers at once.
    void setRequestTime(std::chrono::nanoseconds time) { requestTime_ = time; }

    // The level an outside circuit drives on the GPIO pin while it is an input.
    void setGpioInputLevel(bool high) { state_.gpioInputLevel = high; }

    int16_t LoadFirmWare(const uint8_t* path) override;
    int16_t VendorIORequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t* buffer) override;

    const ChipState& state() const { return state_; }
    const ChannelRegisters& channel(int index) const;

    // The voltage on the output of channel index (0 V for channels the part
    // lacks, and while CLR is low), computed like the program's voltage table
    // with the family's default reference voltage and the chip's offset DACs.
    double outputVoltage(int index) const;
    // The reference voltage of every voltage group: 5 V on the 441x, 3 V on the 442x.
    double referenceVoltage() const { return referenceVoltage_; }
    // One reading of channel index's output pin: outputVoltage with the analog
    // model's errors and noise (CLR low: 0 V with them); NaN for an index the
    // part lacks.
    double pinVolts(int index);
    // One reading of the MON pin on the parts with a monitor: the channel or
    // monitor input the monitor register selects; NaN (high impedance) while
    // the monitor is off, for a channel the part lacks and on the other parts.
    double monVolts();
    const AnalogModel& analog() const { return analog_; }

    // The level on the GPIO pin: the output level when it is an output.
    bool gpioLevel() const;
    // The chip's power-on registers for the fitted part; line levels and the
    // GPIO input level are the board's and are taken from the current state.
    ChipState powerOnState() const;

    int firmwareLoads() const { return firmwareLoads_; }
    int startRequests() const { return startRequests_; }

  private:
    std::optional<int16_t> faultOfLoad();
    std::optional<int16_t> faultOfRequest();
    int16_t lineRequest(int16_t request);
    void writeWord(int32_t word);
    void writeChannel(const ChipWord& word);
    void loadDacRegister(int index);
    void loadAllDacRegisters();
    double pinOutput(int index) const;

    PartInfo part_;
    double referenceVoltage_ = 0.0;
    int32_t codeMask_ = 0;
    ChipState state_;
    int firmwareLoads_ = 0;
    int startRequests_ = 0;
    AnalogModel analog_;
    std::chrono::nanoseconds requestTime_{0};
    std::optional<SimulatedFault> fault_;
    int calls_ = 0;
    bool loadRefused_ = false;
};

}  // namespace kteval
