// Tab 1 "Offset DACs": the offset DAC writes, the monitor and the GPIO pin.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "command_words.h"
#include "frm_main.h"
#include "hex_text.h"
#include "monitor_state.h"
#include "part_rules.h"
#include "widgets.h"

namespace kteval::ui {

void FrmMain::cmdOFFSET_Click(int Index) {
    if (busyWithRefusal()) return;
    const std::string text = c_.txtOffsetValue[Index]->text().toStdString();
    if (refuseByCheckText(text, kOffsetCodeBits)) return;
    const auto value = static_cast<int32_t>(*readHex(text));
    if (refuseBeyondLimits(outputState(), afterOffsetWrite(outputState(), Index, value))) return;
    sendWord(word::offsetDacWord(Index, value));
    module_.OffsetCode[Index] = value;
    report({.kind = remote::SentAction::Kind::Offset,
            .code = static_cast<uint32_t>(value),
            .group = Index});
}

void FrmMain::txtOffsetValue_LostFocus(int Index) {
    c_.txtOffsetValue[Index]->setText(c_.txtOffsetValue[Index]->text().toUpper());
}

void FrmMain::cboDisable_Click() {
    if (busyWithRefusal()) return;
    const int position = c_.cboDisable->currentIndex();
    module_.MonitorState = monitorEnabled(module_.MonitorState, position);
    c_.cboMonChannel->setEnabled(monitorOn(module_.MonitorState));
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
    module_.GpioHigh = gpioInputHigh(link_.ReadWord());
    c_.lblGPIOinput->setText(module_.GpioHigh ? QStringLiteral("=HIGH") : QStringLiteral("=LOW"));
    report({.kind = remote::SentAction::Kind::GpioRead});
}

}  // namespace kteval::ui
