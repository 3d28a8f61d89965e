#include "simulated_board.h"

#include <thread>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>

#include "contract.h"
#include "effective_code.h"
#include "monitor_state.h"
#include "output_voltage.h"
#include "part_rules.h"
#include "request_codes.h"
#include "usb/usb_result.h"

namespace kteval {

namespace {

constexpr int kKt4421 = 5;
constexpr int32_t kOffsetDacMask = 0x3FFF;
constexpr int32_t kGroupSelectMask = 0xFF;
constexpr int32_t kMonitorMask = 0x3F;
constexpr int32_t kGpioMask = 0x3;
constexpr int16_t kReadLength = 3;

bool isLineRequest(int16_t request) {
    switch (request) {
        case request::Start:
        case request::LdacPulse:
        case request::ResetHigh:
        case request::ResetLow:
        case request::ClrHigh:
        case request::ClrLow:
        case request::LdacHigh:
        case request::LdacLow:
            return true;
        default:
            return false;
    }
}

}  // namespace

SimulatedBoard::SimulatedBoard() : SimulatedBoard(partByIndex(kKt4421)) {}

SimulatedBoard::SimulatedBoard(const PartInfo& part) : part_(part) {
    setPart(part);
}

SimulatedBoard::SimulatedBoard(const PartInfo& part, AnalogModel analog)
    : part_(part), analog_(std::move(analog)) {
    setPart(part);
}

void SimulatedBoard::setPart(const PartInfo& part) {
    part_ = part;
    codeMask_ = (1 << part_.bits) - 1;
    referenceVoltage_ = readReferenceText(part_.referenceText);
    state_ = powerOnState();
}

ChipState SimulatedBoard::powerOnState() const {
    ChipState fresh;
    const ChannelRegisters start{part_.defaultCode, part_.defaultCode, fullScaleGain(part_.bits),
                                 midScaleOffset(part_.bits), part_.defaultCode};
    fresh.channels.fill(start);
    fresh.offsetDacs.fill(part_.offsetCode);
    fresh.resetHigh = state_.resetHigh;
    fresh.clrHigh = state_.clrHigh;
    fresh.ldacHigh = state_.ldacHigh;
    fresh.gpioInputLevel = state_.gpioInputLevel;
    return fresh;
}

const ChannelRegisters& SimulatedBoard::channel(int index) const {
    KTEVAL_EXPECTS(index >= 0 && index < kChannelCount);
    return state_.channels[static_cast<std::size_t>(index)];
}

void SimulatedBoard::setFault(std::optional<SimulatedFault> fault) {
    if (fault) fault->fromCall += calls_;
    fault_ = fault;
    loadRefused_ = false;
}

// Counts the call; the result of a load the fault decides, if any.
std::optional<int16_t> SimulatedBoard::faultOfLoad() {
    ++calls_;
    if (!fault_ || calls_ < fault_->fromCall) return std::nullopt;
    switch (fault_->kind) {
        case SimulatedFault::Kind::Unplugged:
            return usbresult::kNoBoard;
        case SimulatedFault::Kind::Timeout:
            return std::nullopt;
        case SimulatedFault::Kind::LoadRefused:
            loadRefused_ = true;
            return usbresult::kLoadIoError;
    }
    return std::nullopt;
}

std::optional<int16_t> SimulatedBoard::faultOfRequest() {
    ++calls_;
    if (!fault_ || calls_ < fault_->fromCall) return std::nullopt;
    switch (fault_->kind) {
        case SimulatedFault::Kind::Unplugged:
            return usbresult::kDeviceGone;
        case SimulatedFault::Kind::Timeout:
            return usbresult::kTimeout;
        case SimulatedFault::Kind::LoadRefused:
            if (loadRefused_) return usbresult::kNotOpen;
            return std::nullopt;
    }
    return std::nullopt;
}

int16_t SimulatedBoard::LoadFirmWare(const uint8_t* path) {
    if (const std::optional<int16_t> failure = faultOfLoad()) return *failure;
    // The image is the board's business: any path (even of a missing file)
    // "loads", as the simulated firmware is always there.
    if (path == nullptr) return kBadArguments;
    ++firmwareLoads_;
    return 0;
}

int16_t SimulatedBoard::VendorIORequest(int16_t request, int32_t value, int32_t index,
                                        int16_t direction, int16_t length, uint8_t* buffer) {
    if (requestTime_.count() > 0) {
        // Sleep most of it, then wait out the rest: a sleep overshoots.
        const auto end = std::chrono::steady_clock::now() + requestTime_;
        std::this_thread::sleep_until(end - std::chrono::microseconds(80));
        while (std::chrono::steady_clock::now() < end) {
        }
    }
    if (const std::optional<int16_t> failure = faultOfRequest()) return *failure;
    if (length < 0 || (buffer == nullptr && length > 0)) return kBadArguments;
    if (direction != request::DirectionOut && direction != request::DirectionIn) {
        return kBadArguments;
    }
    if (request == request::WordTransfer) {
        if (direction == request::DirectionIn) {
            if (length < kReadLength) return kBadArguments;
            const bool selectsGpio = state_.readbackSelection == chip::kReadbackGpioSelection;
            buffer[0] = selectsGpio && gpioLevel() ? 1 : 0;
            buffer[1] = 0;
            buffer[2] = 0;
            return kReadLength;
        }
        // A word is 24 bits: value carries bits 15-0 and index bits 23-16.
        if (value < 0 || value > 0xFFFF || index < 0 || index > 0xFF) return kBadArguments;
        writeWord(wordOfRequest(value, index));
        return 0;
    }
    if (!isLineRequest(request)) return kUnknownRequest;
    if (direction != request::DirectionOut) return kBadArguments;
    return lineRequest(request);
}

int16_t SimulatedBoard::lineRequest(int16_t request) {
    switch (request) {
        case request::Start:
            ++startRequests_;
            break;
        case request::LdacPulse:
            loadAllDacRegisters();
            break;
        case request::ResetLow:
            state_.resetHigh = false;
            break;
        case request::ResetHigh:
            // The chip resets on the rising edge of RESET.
            if (!state_.resetHigh) {
                state_.resetHigh = true;
                state_ = powerOnState();
            }
            break;
        case request::ClrLow:
            state_.clrHigh = false;
            break;
        case request::ClrHigh:
            state_.clrHigh = true;
            break;
        case request::LdacLow:
            state_.ldacHigh = false;
            loadAllDacRegisters();
            break;
        case request::LdacHigh:
            state_.ldacHigh = true;
            break;
        default:
            return kUnknownRequest;
    }
    return 0;
}

void SimulatedBoard::writeWord(int32_t word) {
    const ChipWord decoded = decodeWord(word);
    switch (decoded.kind) {
        case WordKind::XWrite:
        case WordKind::CWrite:
        case WordKind::MWrite:
            writeChannel(decoded);
            break;
        case WordKind::Control:
            state_.controlSelectsB = (decoded.data & chip::kControlSelectB) != 0;
            break;
        case WordKind::OffsetDac:
            state_.offsetDacs[static_cast<std::size_t>(decoded.unit)] =
                decoded.data & kOffsetDacMask;
            break;
        case WordKind::Readback:
            state_.readbackSelection = decoded.data;
            break;
        case WordKind::GroupSelect:
            if (decoded.unit < part_.groupCount) {
                state_.groupSelect[static_cast<std::size_t>(decoded.unit)] =
                    decoded.data & kGroupSelectMask;
                if (!state_.ldacHigh) {
                    for (int p = 0; p < part_.groupSize; ++p) loadDacRegister(8 * decoded.unit + p);
                }
            }
            break;
        case WordKind::Monitor:
            state_.monitor = decoded.data & kMonitorMask;
            break;
        case WordKind::Gpio:
            state_.gpioConfig = decoded.data & kGpioMask;
            break;
        case WordKind::NoChannel:
        case WordKind::UnknownSpecial:
            break;
    }
}

void SimulatedBoard::writeChannel(const ChipWord& word) {
    if (!usesChannelIndex(part_, word.channelIndex)) return;
    // 14-bit parts take the code from data bits 15-2.
    const int32_t code = part_.bits == 14 ? word.data >> 2 : word.data;
    ChannelRegisters& registers = state_.channels[static_cast<std::size_t>(word.channelIndex)];
    if (word.kind == WordKind::XWrite) {
        (state_.controlSelectsB ? registers.X1B : registers.X1A) = code;
    } else if (word.kind == WordKind::MWrite) {
        registers.M = code;
    } else {
        registers.C = code;
    }
    if (!state_.ldacHigh) loadDacRegister(word.channelIndex);
}

void SimulatedBoard::loadDacRegister(int index) {
    ChannelRegisters& registers = state_.channels[static_cast<std::size_t>(index)];
    const int32_t mask = state_.groupSelect[static_cast<std::size_t>(index / 8)];
    const bool useB = (mask >> (index % 8) & 1) != 0;
    const std::optional<int32_t> x2 =
        effectiveCode(part_.bits, useB ? registers.X1B : registers.X1A, registers.M, registers.C);
    // The DAC register saturates at the ends of the code range.
    registers.DACreg = std::clamp(x2.value_or(0), 0, codeMask_);
}

void SimulatedBoard::loadAllDacRegisters() {
    for (int index = 0; index < kChannelCount; ++index) {
        if (usesChannelIndex(part_, index)) loadDacRegister(index);
    }
}

bool SimulatedBoard::gpioLevel() const {
    if ((state_.gpioConfig & chip::kGpioOutputEnable) != 0) {
        return (state_.gpioConfig & chip::kGpioOutputHigh) != 0;
    }
    return state_.gpioInputLevel;
}

double SimulatedBoard::outputVoltage(int index) const {
    if (!state_.clrHigh || !usesChannelIndex(part_, index)) return 0.0;
    const std::optional<int> k = voltageGroupOf(part_, channelNumberOfIndex(&part_, index));
    if (!k) return 0.0;
    return kteval::outputVoltage(part_, channel(index).DACreg,
                                 state_.offsetDacs[static_cast<std::size_t>(*k)],
                                 referenceVoltage_);
}

double SimulatedBoard::pinOutput(int index) const {
    if (index < 0 || index >= kChannelCount || !usesChannelIndex(part_, index)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double lsbVolts = 4.0 * referenceVoltage_ / part_.divisor;
    if (!state_.clrHigh) return analog_.output(index, 0.0, 0, part_.bits, lsbVolts);
    return analog_.output(index, outputVoltage(index), channel(index).DACreg, part_.bits, lsbVolts);
}

double SimulatedBoard::pinVolts(int index) {
    return analog_.read(pinOutput(index));
}

double SimulatedBoard::monVolts() {
    // Bit 4 set: the monitor input bit 0 names; clear: the channel number in bits 3-0.
    constexpr int32_t kInputBit = 0x10;
    double volts = std::numeric_limits<double>::quiet_NaN();
    if (hasMonitor(&part_) && monitorOn(state_.monitor)) {
        if ((state_.monitor & kInputBit) != 0) {
            volts = AnalogModel::kMonitorInputVolts[static_cast<std::size_t>(state_.monitor & 1)];
        } else if (const int number = state_.monitor & 0x0F;
                   number <= largestChannelNumber(part_)) {
            volts = pinOutput(indexOfChannelNumber(&part_, number));
        }
    }
    return analog_.read(volts);
}

}  // namespace kteval
