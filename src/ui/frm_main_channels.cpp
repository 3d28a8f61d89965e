// Channel selection, register display and the output voltage table.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "command_words.h"
#include "effective_code.h"
#include "frm_main.h"
#include "hex_text.h"
#include "output_voltage.h"
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

void FrmMain::updateX2() {
    const std::optional<int32_t> x2 = kteval::updateX2(module_);
    if (!x2) return;
    const QString text = QString::fromStdString(registerLabelText(*x2));
    (module_.UseX1B == 0 ? c_.lblX2A : c_.lblX2B)->setText(text);
    // Qt repaints once the handler returns: no event is processed in between,
    // so the selected channel cannot change under a write.
}

void FrmMain::SSTab1_Click() {
    if (c_.SSTab1->currentIndex() != 3) return;
    std::array<std::string, 3> references;
    for (int k = 0; k < 3; ++k) references[k] = c_.txtVREF[k]->text().toStdString();
    for (int i = 0; i < kChannelCount; ++i) {
        const std::string volts =
            TransferFunction(module_.PartName, i, module_.DACs, module_.OffsetCode, references);
        c_.lblvout[i]->setText(
            QStringLiteral("Vout%1=%2V").arg(i).arg(QString::fromStdString(volts)));
    }
}

void FrmMain::txtVREF_KeyPress(int Index, int KeyAscii) {
    if (KeyAscii != 13) return;
    EntryBox* box = c_.txtVREF[Index];
    const double volts = readReferenceText(box->text().toStdString());
    box->setText(QString::fromStdString(formatDecimal(volts)));
}

}  // namespace kteval::ui
