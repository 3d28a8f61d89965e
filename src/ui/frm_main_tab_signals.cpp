// Tab 2 "Signals & Direct Load": the line level buttons, "Pulse RESET" and
// the raw words.
#include <QPushButton>
#include <QRadioButton>

#include "frm_main.h"
#include "hex_text.h"
#include "line_requests.h"
#include "part_rules.h"
#include "request_codes.h"
#include "widgets.h"

namespace kteval::ui {

void FrmMain::cmdRESET_Click(int Index) {
    if (busyWithRefusal()) return;
    if (const auto request = word::levelButtonRequest(Index)) {
        link_.SendRequest(*request);
        // Buttons come in pairs per line: high, then low.
        lineHigh_[static_cast<std::size_t>(Index / 2)] = Index % 2 == 0;
        report({.kind = remote::SentAction::Kind::Line,
                .choice = Index % 2 == 0,
                .line = remote::Line(Index / 2)});
    }
}

void FrmMain::mnuPulseReset_Click() {
    if (busyWithRefusal()) return;
    link_.SendRequest(request::ResetLow);
    link_.SendRequest(request::ResetHigh);
    lineHigh_[static_cast<std::size_t>(remote::Line::Reset)] = true;
    Init();
    report({.kind = remote::SentAction::Kind::Reset});
}

void FrmMain::cmdDirectLoad_Click() {
    if (busyWithRefusal()) return;
    const std::string text = c_.txtDirectLoad[module_.DirectLoadIndex]->text().toStdString();
    if (refuseByCheckText(text, kRawWordBits)) return;
    sendWord(static_cast<int32_t>(*readHex(text)));
    report({.kind = remote::SentAction::Kind::Word, .code = *readHex(text)});
}

void FrmMain::optTxtSelect_Click(int Index) {
    module_.DirectLoadIndex = static_cast<int16_t>(Index);
}

void FrmMain::txtDirectLoad_LostFocus(int Index) {
    c_.txtDirectLoad[Index]->setText(c_.txtDirectLoad[Index]->text().toUpper());
}

}  // namespace kteval::ui
