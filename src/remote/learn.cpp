#include "learn.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "effective_code.h"
#include "monitor_state.h"
#include "output_voltage.h"
#include "part_rules.h"
#include "sent_action.h"

namespace kteval::remote {

namespace {

// The commands of the line, each applied to a model of the fresh program the
// way the window's handlers change it, so that every step is planned from
// what the program will hold by then.
class Plan {
  public:
    explicit Plan(const PartInfo& part) : part_(part) {
        fresh_.applySetup(part);
        fresh_.ResetChannelTable();
        fresh_.resetOffsetCodes();
    }

    KT442xModule& model() { return fresh_; }
    void add(std::string command) { commands_.push_back(":" + std::move(command)); }
    // An action, written as a recording writes it.
    void add(const SentAction& action) { add(commandLine(action, part_)); }

    // DAC<n>:X1A / X1B: chooses the register, stores the code, recomputes its
    // effective code.
    void writeInput(int index, bool registerB, int32_t code) {
        select(index);
        fresh_.UseX1B = registerB ? -1 : 0;
        (registerB ? record(index).X1B : record(index).X1A) = code;
        updateX2(fresh_);
        add({.kind = SentAction::Kind::Register,
             .channel = index,
             .reg = registerB ? Register::X1B : Register::X1A,
             .code = static_cast<uint32_t>(code)});
    }
    // DAC<n>:M / C: stores the code and recomputes the chosen register's
    // effective code.
    void writeGain(int index, int32_t code) { writeTrim(index, &DAC::M, Register::M, code); }
    void writeOffset(int index, int32_t code) { writeTrim(index, &DAC::C, Register::C, code); }
    // PULSe:LDAC on the selected channel while its multiplexer passes X2A.
    void loadFromA() {
        fresh_.selected().DACreg = fresh_.selected().X2A;
        add({.kind = SentAction::Kind::Ldac});
    }
    void chooseMux(int index, bool registerB) {
        select(index);
        record(index).ABsel = registerB ? 1 : 0;
        add({.kind = SentAction::Kind::Mux, .channel = index, .choice = registerB});
    }

    std::string line() const {
        std::string joined;
        for (const std::string& command : commands_) {
            if (!joined.empty()) joined += ';';
            joined += command;
        }
        return joined;
    }

    DAC& record(int index) { return fresh_.DACs(index); }

  private:
    void select(int index) { fresh_.SelectedDAC = static_cast<int16_t>(index); }
    void writeTrim(int index, int32_t DAC::*field, Register reg, int32_t code) {
        select(index);
        record(index).*field = code;
        updateX2(fresh_);
        add({.kind = SentAction::Kind::Register,
             .channel = index,
             .reg = reg,
             .code = static_cast<uint32_t>(code)});
    }

    const PartInfo& part_;
    KT442xModule fresh_;
    std::vector<std::string> commands_;
};

int32_t effective(const PartInfo& part, int32_t x, int32_t m, int32_t c) {
    return *effectiveCode(part.bits, x, m, c);
}

// A gain and offset that give input code x the effective code target,
// (m, c) itself when it does. An effective code always came from its input
// code and some gain and offset, so one exists; nullopt only for a target no
// register values give.
std::optional<std::pair<int32_t, int32_t>> trimsFor(const PartInfo& part, int32_t x, int32_t target,
                                                    int32_t m, int32_t c) {
    if (effective(part, x, m, c) == target) return std::pair{m, c};
    const auto largest = static_cast<int32_t>(largestRegisterCode(part.bits));
    const double half = std::ldexp(1.0, part.bits - 1);
    for (int32_t gain = largest; gain >= 0; --gain) {
        const double scaled = (gain + 1) / std::ldexp(1.0, part.bits) * x;
        const auto guess = static_cast<int32_t>(target + half - std::nearbyint(scaled));
        for (int32_t offset = guess - 1; offset <= guess + 1; ++offset) {
            if (offset >= 0 && offset <= largest && effective(part, x, gain, offset) == target) {
                return std::pair{gain, offset};
            }
        }
    }
    return std::nullopt;
}

bool sameRegisters(const DAC& a, const DAC& b) {
    return a.X1A == b.X1A && a.X1B == b.X1B && a.M == b.M && a.C == b.C && a.X2A == b.X2A &&
           a.X2B == b.X2B && a.DACreg == b.DACreg && (a.ABsel == 1) == (b.ABsel == 1);
}

// One channel from the fresh program's values to target's.
void restoreChannel(Plan& plan, const PartInfo& part, int index, const DAC& target) {
    DAC& now = plan.record(index);
    if (sameRegisters(now, target)) return;
    const auto largest = static_cast<int32_t>(largestRegisterCode(part.bits));
    const int32_t half = int32_t{1} << (part.bits - 1);

    // The DAC register: with full-scale gain the effective code of input
    // register A is exactly C - 2^(n-1) + X1A; LDAC copies it.
    const int32_t low = std::max(0, target.DACreg + half - largest);
    const int32_t high = std::min(largest, target.DACreg + half);
    if (now.DACreg != target.DACreg && low <= high) {
        const int32_t x = std::clamp(target.X1A, low, high);
        if (now.M != largest) plan.writeGain(index, largest);
        if (now.C != target.DACreg + half - x) plan.writeOffset(index, target.DACreg + half - x);
        plan.writeInput(index, false, x);
        plan.loadFromA();
    }

    // An effective code is that of the gain and offset of its last
    // recomputation; at least one register's agrees with the present ones,
    // and that register is written last. The other one gets its effective
    // code first, through whatever gain and offset give it.
    const bool agreesA = effective(part, target.X1A, target.M, target.C) == target.X2A;
    const bool agreesB = effective(part, target.X1B, target.M, target.C) == target.X2B;
    const bool lastB = !agreesA || (agreesB && plan.model().UseX1B != 0);
    const int32_t otherX1 = lastB ? target.X1A : target.X1B;
    const int32_t otherX2 = lastB ? target.X2A : target.X2B;
    const auto otherInput = [&]() -> int32_t& { return lastB ? now.X1A : now.X1B; };
    const auto otherEffective = [&]() -> int32_t& { return lastB ? now.X2A : now.X2B; };
    if (otherInput() != otherX1 || otherEffective() != otherX2) {
        plan.writeInput(index, !lastB, otherX1);
        if (otherEffective() != otherX2) {
            const auto trims = trimsFor(part, otherX1, otherX2, target.M, target.C)
                                   .value_or(std::pair{target.M, target.C});
            plan.writeGain(index, trims.first);
            plan.writeOffset(index, trims.second);
        }
    }

    const int32_t lastX1 = lastB ? target.X1B : target.X1A;
    const int32_t lastX2 = lastB ? target.X2B : target.X2A;
    const bool trimsChange = now.M != target.M || now.C != target.C;
    const bool lastChosen = (plan.model().UseX1B != 0) == lastB;
    if ((trimsChange && !lastChosen) || (lastB ? now.X1B : now.X1A) != lastX1 ||
        (!trimsChange && (lastB ? now.X2B : now.X2A) != lastX2)) {
        plan.writeInput(index, lastB, lastX1);
    }
    if (now.M != target.M) plan.writeGain(index, target.M);
    if (now.C != target.C) plan.writeOffset(index, target.C);

    if ((now.ABsel == 1) != (target.ABsel == 1)) plan.chooseMux(index, target.ABsel == 1);
}

// The monitor: enabled to pick its source (the list is disabled otherwise),
// a channel entry for bits 3-0, a pin entry for bit 4 with bit 0 (keeping
// bits 3-1 of the channel picked before), disabled again when bit 5 is clear.
void restoreMonitor(Plan& plan, int32_t state) {
    if (state == 0) return;
    const auto choose = [&plan](int position) {
        plan.add({.kind = SentAction::Kind::MonitorSource, .entry = monitorEntryText(position)});
    };
    plan.add({.kind = SentAction::Kind::Monitor, .choice = true});
    if ((state & 0x10) == 0) {
        if ((state & 0x0F) != 0) choose(2 + (state & 0x0F));
    } else {
        if ((state & 0x0E) != 0) choose(2 + (state & 0x0E));
        choose(state & 1);
    }
    if ((state & kMonitorEnableBit) == 0) plan.add({.kind = SentAction::Kind::Monitor});
}

// Slew rates, lists and their timing, where they differ from the start's.
// Long lists go in pieces (LIST:...:APPend), each well inside a client's
// line.
void addSequenceSettings(Plan& plan, const PartInfo& part,
                         const sequence::SequenceSettings& settings) {
    const sequence::SequenceSettings fresh;
    for (const auto& [index, rate] : settings.slew) {
        plan.add("DAC" + std::to_string(channelNumberOfIndex(&part, index)) + ":VOLT:SLEW " +
                 formatExact(rate));
    }
    constexpr std::size_t kPiece = 1000;
    for (const auto& [index, list] : settings.lists) {
        const std::string header = "DAC" + std::to_string(channelNumberOfIndex(&part, index)) +
                                   (list.inCodes ? ":LIST:CODE" : ":LIST:VOLT");
        for (std::size_t first = 0; first < list.points.size(); first += kPiece) {
            std::string command = header + (first == 0 ? " " : ":APP ");
            for (std::size_t i = first; i < std::min(list.points.size(), first + kPiece); ++i) {
                if (i != first) command += ',';
                command += list.inCodes ? std::to_string(static_cast<int64_t>(list.points[i]))
                                        : formatExact(list.points[i]);
            }
            plan.add(command);
        }
    }
    if (settings.dwell != fresh.dwell) {
        plan.add("LIST:DWEL " + formatExact(std::chrono::duration<double>(settings.dwell).count()));
    }
    if (settings.count != fresh.count) {
        plan.add("LIST:COUN " +
                 (settings.count == 0 ? std::string("INF") : std::to_string(settings.count)));
    }
    if (settings.trigger != fresh.trigger) plan.add("TRIG:SOUR BUS");
}

}  // namespace

std::string learnLine(const KT442xModule& module, const WindowChoices& choices) {
    const PartInfo* part = module.part();
    if (part == nullptr) return {};
    Plan plan(*part);
    plan.add(partCommand(*part));

    for (int k = 0; k < offsetDacCount(part); ++k) {
        const auto g = static_cast<std::size_t>(k);
        if (module.OffsetCode[g] != part->offsetCode) {
            plan.add({.kind = SentAction::Kind::Offset,
                      .code = static_cast<uint32_t>(module.OffsetCode[g]),
                      .group = k});
        }
        const double volts = choices.referenceVolts[g];
        if (volts != readReferenceText(part->referenceText)) {
            plan.add(
                {.kind = SentAction::Kind::Reference, .group = k, .entry = formatExact(volts)});
        }
    }
    if (hasMonitor(part)) {
        restoreMonitor(plan, module.MonitorState);
        if (choices.gpio != GpioMode::Input) {
            plan.add({.kind = SentAction::Kind::Gpio, .gpio = choices.gpio});
        }
    }

    for (int index = 0; index < kChannelCount; ++index) {
        if (usesChannelIndex(*part, index)) {
            restoreChannel(plan, *part, index, module.DACs(index));
        }
    }
    if ((plan.model().UseX1B != 0) != (module.UseX1B != 0)) {
        plan.add({.kind = SentAction::Kind::Input, .choice = module.UseX1B != 0});
    }
    plan.add("CHAN " + std::to_string(channelNumberOfIndex(part, module.SelectedDAC)));
    if (choices.sequences != nullptr) addSequenceSettings(plan, *part, *choices.sequences);
    // Held levels last: the words above reach the chip before RESET or CLR
    // holds it, or LDAC low makes it load them at once.
    for (std::size_t line = 0; line < choices.linesHigh.size(); ++line) {
        if (!choices.linesHigh[line])
            plan.add({.kind = SentAction::Kind::Line, .line = Line(line)});
    }
    // The output limits last: the steps above pass through outputs of their
    // own (the DAC register is loaded through full-scale gain first), which
    // limits set before them could refuse; the state they end in is the one
    // the limits were set on.
    for (int index = 0; index < kChannelCount; ++index) {
        if (!usesChannelIndex(*part, index)) continue;
        const VoltLimits& limits = choices.limits.of(index);
        for (const bool upper : {false, true}) {
            const double bound = upper ? limits.upper : limits.lower;
            if (!std::isinf(bound)) {
                plan.add({.kind = SentAction::Kind::Limit,
                          .channel = index,
                          .choice = upper,
                          .entry = limitText(bound)});
            }
        }
    }
    return plan.line();
}

}  // namespace kteval::remote
