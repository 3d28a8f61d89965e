#pragma once

// Random operator steps for a window of one part (steps as harness.h's
// operate() takes them): channel, option and row choices, valid, too large
// and malformed entries, register and offset DAC writes, LDAC and RESET
// pulses, and on the 441x parts the monitor and GPIO controls. None of them
// makes the chip differ from the program's model.
#include <initializer_list>
#include <random>
#include <vector>

#include "harness.h"
#include "hex_text.h"

namespace kteval::ui::test {

class RandomOperator {
  public:
    RandomOperator(const PartInfo& part, std::mt19937_64::result_type seed)
        : part_(part), random_(seed) {
        for (int i = 0; i < kChannelCount; ++i) {
            if (usesChannelIndex(part_, i)) channels_.push_back(i);
        }
    }

    // The next steps, ';'-separated. The monitor list is picked only while it
    // is enabled, as the operator can.
    QString step(QWidget& window) {
        // clang-format off
        switch (pick(12)) {
            case 0: return "click chkDAC_" + number(channels_[pick(int(channels_.size()))]);
            case 1: return "click optAB_" + number(pick(2));
            case 2: return "click DACoptMux2_" + number(pick(2));
            case 3: return "click InputSel_" + number(pick(10));
            case 4: {
                const QString row = number(pick(10));
                QString step = "type txtInput_" + row + " " + randomText();
                return pick(3) == 0 ? step + ";enter txtInput_" + row : step;
            }
            case 5: case 6: case 7: return oneOf({"cmdX1A", "cmdM", "cmdC"});
            case 8: {
                const QString dac = number(pick(part_.thirdReference ? 3 : 2));
                return "type txtOffsetValue_" + dac + " " + randomText() + ";click cmdOFFSET_" + dac;
            }
            case 9: return oneOf({"cmdLDAC", "Command4", "Command2"});
            case 10: return oneOf({"mnuPulseReset", "Command5", "Command1"});
        }
        // clang-format on
        if (!part_.monitorFamily) return "click InputSel_0";
        const bool listEnabled = control<QComboBox>(window, "cboMonChannel")->isEnabled();
        const QString monitor[] = {
            "pick cboDisable " + number(pick(2)),
            listEnabled ? "pick cboMonChannel " + number(pick(2 + part_.monitorEntries))
                        : QString("click cmdGPIOread"),
            "click chkGPIO_" + number(pick(3)), "click cmdGPIOread"};
        return monitor[pick(4)];
    }

    int pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
    static QString number(int n) { return QString::number(n); }

    // Valid codes of every width, too large values, and malformed texts.
    QString randomText() {
        const auto hex = [](uint64_t v) {
            return QString::fromStdString(hexDigits(static_cast<uint32_t>(v)));
        };
        const char* malformed[] = {"", "12G4", "0x10", "-1", " 1", "123456789", "ZZ"};
        // clang-format off
        switch (pick(6)) {
            case 0: return hex(random_() & 0x3FFF);
            case 1: return hex(random_() & 0xFFFF).toLower();
            case 2: return hex(random_());
            case 3: return QStringLiteral("0%1").arg(pick(0x4000), 0, 16);
            case 4: return QString::fromLatin1(malformed[pick(7)]);
            default: return QStringLiteral("%1").arg(0x10000 + pick(0x10000), 0, 16);
        }
        // clang-format on
    }

    const std::vector<int>& channels() const { return channels_; }

  private:
    QString oneOf(std::initializer_list<const char*> names) {
        return QString("click ") + names.begin()[pick(static_cast<int>(names.size()))];
    }

    const PartInfo& part_;
    std::mt19937_64 random_;
    std::vector<int> channels_;
};

}  // namespace kteval::ui::test
