// Steps of ramps and lists: the words of each channel's code, one LDAC pulse,
// and the model following every channel; the labels at a human rate.
#include <QLabel>

#include "command_words.h"
#include "effective_code.h"
#include "frm_main.h"
#include "hex_text.h"
#include "request_codes.h"

namespace kteval::ui {

std::chrono::steady_clock::time_point FrmMain::sequenceStep(
    const std::vector<std::pair<int, int32_t>>& codes,
    std::chrono::steady_clock::time_point pulseAt) {
    for (const auto& [index, code] : codes) {
        DAC& record = module_.DACs(index);
        record.X1A = code;
        record.X2A = effectiveCode(module_.PartBits, code, record.M, record.C).value_or(record.X2A);
        link_.WriteWord(24, word::channelWord(word::kModeX, module_.PartBits,
                                              static_cast<int16_t>(index), code));
    }
    // The words went out ahead of time: the pulse waits for its own.
    while (std::chrono::steady_clock::now() < pulseAt) {
    }
    const auto pulse = std::chrono::steady_clock::now();
    link_.SendRequest(request::LdacPulse);
    // The pulse loads every channel's DAC register; the sequence's channels
    // pass X2A, the others hold nothing that is not loaded yet.
    for (const auto& [index, code] : codes) module_.DACs(index).DACreg = module_.DACs(index).X2A;
    return pulse;
}

void FrmMain::showSequenceState() {
    showChannelRegisters(module_.SelectedDAC);
    SSTab1_Click();  // the voltage table, when it is in front
}

}  // namespace kteval::ui
