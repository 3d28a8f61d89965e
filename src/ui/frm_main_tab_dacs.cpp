// Tab 0 "Main DACs": channel selection, the input rows, the X, M and C
// writes and "Pulse LDAC".
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "command_words.h"
#include "frm_main.h"
#include "hex_text.h"
#include "part_rules.h"
#include "request_codes.h"
#include "widgets.h"

namespace kteval::ui {

void FrmMain::chkDAC_Click(int Index) {
    if (Index < 0 || Index >= kChannelCount || busyWithRefusal()) return;
    showChannelRegisters(Index);
    module_.SelectedDAC = static_cast<int16_t>(Index);
    module_.BusyFlag = -1;
    c_.DACoptMux2[module_.DACs(Index).ABsel == 0 ? 0 : 1]->setChecked(true);
    module_.BusyFlag = 0;
    const int channelNumber = channelNumberOfIndex(module_.part(), Index);
    const int group = Index / 8;
    c_.frmGroup->setTitle(QStringLiteral("Group %1 - Vout%2").arg(group).arg(channelNumber));
}

void FrmMain::optAB_Click(int /*Index*/) {
    if (module_.BusyFlag != 0 || busyWithRefusal()) return;
    const bool useA = c_.optAB[0]->isChecked();
    c_.Areg->setVisible(useA);
    c_.Breg->setVisible(!useA);
    module_.UseX1B = useA ? 0 : -1;
    sendWord(word::controlWord(!useA));
    report({.kind = remote::SentAction::Kind::Input, .choice = !useA});
}

void FrmMain::DACoptMux2_Click(int Index) {
    if (module_.BusyFlag != 0 || busyWithRefusal()) return;
    module_.selected().ABsel = Index;
    if (const auto selectWord =
            word::groupSelectWord(module_.part(), module_.DACs, module_.SelectedDAC)) {
        sendWord(*selectWord);
        report({.kind = remote::SentAction::Kind::Mux,
                .channel = module_.SelectedDAC,
                .choice = Index == 1});
    }
}

void FrmMain::InputSel_Click(int Index) {
    if (module_.BusyFlag == 0) textSelIndex_ = static_cast<int16_t>(Index);
}

void FrmMain::txtInput_KeyPress(int Index, int KeyAscii) {
    if (KeyAscii != 13 || busyWithRefusal()) return;
    module_.BusyFlag = -1;
    c_.InputSel[Index]->setChecked(true);
    textSelIndex_ = static_cast<int16_t>(Index);
    module_.BusyFlag = 0;
    txtInput_LostFocus(Index);
}

void FrmMain::txtInput_LostFocus(int Index) {
    // The refusal box takes the focus from the row: that loss, and any other
    // row's, is not judged while the box is open.
    if (busyWithRefusal()) return;
    EntryBox* row = c_.txtInput[Index];
    if (readHex(row->text().toStdString())) {
        row->setText(row->text().toUpper());
        return;
    }
    refuse(QStringLiteral("Not a valid number. Please reenter it."), QStringLiteral("Entry Error"));
    row->setText(QString());
    row->setFocus();
}

void FrmMain::writeRegister(Register which) {
    if (busyWithRefusal()) return;
    EntryBox* row = c_.txtInput[textSelIndex_];
    std::string text = row->text().toStdString();
    if (refuseByCheckText(text, kRegisterEntryBits)) return;
    const uint32_t value = *readHex(text);
    if (refuseAboveCodeWidth(value)) return;

    // The register the button writes, its label and its word's mode.
    int32_t DAC::*field = &DAC::M;
    QLabel* label = c_.lblM;
    int32_t mode = word::kModeM;
    if (which == Register::X) {
        const bool registerA = c_.optAB[0]->isChecked();
        field = registerA ? &DAC::X1A : &DAC::X1B;
        label = registerA ? c_.lblXA : c_.lblXB;
        mode = word::kModeX;
    } else if (which == Register::C) {
        field = &DAC::C;
        label = c_.lblC;
        mode = word::kModeC;
    }
    if (refuseBeyondLimits(outputState(), afterRegisterWrite(outputState(), module_.SelectedDAC,
                                                             field, static_cast<int32_t>(value)))) {
        return;
    }
    DAC& record = module_.selected();
    record.*field = static_cast<int32_t>(value);
    label->setText(QString::fromStdString(FormatHex(text)));
    updateX2();
    // The value read back from the record goes out.
    sendWord(word::channelWord(mode, module_.PartBits, module_.SelectedDAC, record.*field));
    const remote::Register written = which == Register::M   ? remote::Register::M
                                     : which == Register::C ? remote::Register::C
                                     : field == &DAC::X1A   ? remote::Register::X1A
                                                            : remote::Register::X1B;
    report({.kind = remote::SentAction::Kind::Register,
            .channel = module_.SelectedDAC,
            .reg = written,
            .code = value});
}

void FrmMain::cmdX1A_Click() {
    writeRegister(Register::X);
}
void FrmMain::cmdM_Click() {
    writeRegister(Register::M);
}
void FrmMain::cmdC_Click() {
    writeRegister(Register::C);
}

void FrmMain::cmdLDAC_Click() {
    if (busyWithRefusal()) return;
    DAC& record = module_.selected();
    const bool fromB = !c_.DACoptMux2[0]->isChecked();
    if (refuseBeyondLimits(outputState(), afterLdac(outputState(), fromB))) return;
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

}  // namespace kteval::ui
