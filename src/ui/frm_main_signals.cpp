// Monitor and GPIO controls, control line buttons and the credits sequence.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "command_words.h"
#include "frm_main.h"
#include "monitor_state.h"
#include "prompt.h"
#include "request_codes.h"
#include "widgets.h"

namespace kteval::ui {

void FrmMain::cboDisable_Click() {
    if (busyWithRefusal()) return;
    const int position = c_.cboDisable->currentIndex();
    c_.cboMonChannel->setEnabled(position != 0);
    module_.MonitorState = monitorEnabled(module_.MonitorState, position);
    sendWord(word::monitorWord(module_.MonitorState));
    report({.kind = remote::SentAction::Kind::Monitor, .choice = position != 0});
}

void FrmMain::cboMonChannel_Click() {
    if (module_.BusyFlag != 0 || busyWithRefusal()) return;
    module_.MonitorState =
        monitorChannelChosen(module_.MonitorState, c_.cboMonChannel->currentIndex());
    sendWord(word::monitorWord(module_.MonitorState));
    report({.kind = remote::SentAction::Kind::MonitorSource,
            .entry = c_.cboMonChannel->currentText().toStdString()});
}

void FrmMain::chkGPIO_Click(int Index) {
    if (module_.BusyFlag != 0 || busyWithRefusal()) return;
    if (const auto gpio = word::gpioWord(Index)) {
        sendWord(*gpio);
        report({.kind = remote::SentAction::Kind::Gpio, .gpio = remote::GpioMode(Index)});
    }
}

void FrmMain::cmdGPIOread_Click() {
    if (busyWithRefusal()) return;
    sendWord(word::kReadbackGpio);
    const int32_t level = link_.ReadWord();
    c_.lblGPIOinput->setText((level & 1) != 0 ? QStringLiteral("=HIGH") : QStringLiteral("=LOW"));
    report({.kind = remote::SentAction::Kind::GpioRead});
}

void FrmMain::cmdRESET_Click(int Index) {
    if (busyWithRefusal()) return;
    // Index order of the six level buttons.
    constexpr std::array<int16_t, 6> kLineRequests = {request::ResetHigh, request::ResetLow,
                                                      request::ClrHigh,   request::ClrLow,
                                                      request::LdacHigh,  request::LdacLow};
    if (Index < 0 || Index >= static_cast<int>(kLineRequests.size())) return;
    link_.SendRequest(kLineRequests[static_cast<std::size_t>(Index)]);
    report({.kind = remote::SentAction::Kind::Line,
            .choice = Index % 2 == 0,
            .line = remote::Line(Index / 2)});
}

void FrmMain::mnuPulseReset_Click() {
    if (busyWithRefusal()) return;
    link_.SendRequest(request::ResetLow);
    link_.SendRequest(request::ResetHigh);
    Init();
    report({.kind = remote::SentAction::Kind::Reset});
}

void FrmMain::cmdLDAC_Click() {
    if (busyWithRefusal()) return;
    DAC& record = module_.selected();
    const bool fromB = !c_.DACoptMux2[0]->isChecked();
    if (!fromB) {
        c_.DACregister->setText(c_.lblX2A->text());
        record.DACreg = record.X2A;
    } else {
        c_.DACregister->setText(c_.lblX2B->text());
        record.DACreg = record.X2B;
    }
    link_.SendRequest(request::LdacPulse);
    // A reset leaves the option at X2A whatever the channel's choice.
    report({.kind = remote::SentAction::Kind::Ldac,
            .channel = module_.SelectedDAC,
            .choice = fromB == (record.ABsel == 1)});
}

void FrmMain::secretStep(int step) {
    switch (step) {
        case 1:
            secret_ = secret_ == 0 ? 1 : 0;
            break;
        case 2:
            secret_ = secret_ == 1 ? 2 : 0;
            break;
        default:
            if (secret_ == 2) prompt_.openCredits();
            secret_ = 0;
            break;
    }
}

}  // namespace kteval::ui
