// Register writes and the numeric entries.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "command_words.h"
#include "frm_main.h"
#include "hex_text.h"
#include "prompt.h"
#include "widgets.h"

namespace kteval::ui {

namespace {

// Clears a flag when the scope ends, however it ends.
class FlagScope {
  public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

  private:
    bool& flag_;
};

}  // namespace

bool FrmMain::refuseByCheckText(const std::string& text, int bitLength) {
    const CheckVerdict verdict = CheckText(text, bitLength);
    if (!verdict.refused()) return false;
    FlagScope refusing(refusingEntry_);
    prompt_.message(QString::fromStdString(verdict.message), QString::fromStdString(verdict.title),
                    Prompt::Icon::Exclamation);
    return true;
}

bool FrmMain::refuseAboveCodeWidth(uint32_t value) {
    const uint32_t largest = (uint32_t{1} << module_.PartBits) - 1;
    if (value <= largest) return false;
    FlagScope refusing(refusingEntry_);
    prompt_.message(QStringLiteral("The selected value is larger than\rthe number of bits allows"),
                    QString::fromLatin1(kApplicationTitle), Prompt::Icon::Exclamation);
    return true;
}

void FrmMain::writeRegister(Register which) {
    if (busyWithRefusal()) return;
    EntryBox* row = c_.txtInput[textSelIndex_];
    std::string text = row->text().toStdString();
    if (refuseByCheckText(text, 16)) return;
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

void FrmMain::cmdOFFSET_Click(int Index) {
    if (busyWithRefusal()) return;
    const std::string text = c_.txtOffsetValue[Index]->text().toStdString();
    if (refuseByCheckText(text, 14)) return;
    const auto value = static_cast<int32_t>(*readHex(text));
    sendWord(word::offsetDacWord(Index, value));
    module_.OffsetCode[Index] = value;
    report({.kind = remote::SentAction::Kind::Offset,
            .code = static_cast<uint32_t>(value),
            .group = Index});
}

void FrmMain::cmdDirectLoad_Click() {
    if (busyWithRefusal()) return;
    const std::string text = c_.txtDirectLoad[module_.DirectLoadIndex]->text().toStdString();
    if (refuseByCheckText(text, 24)) return;
    sendWord(static_cast<int32_t>(*readHex(text)));
    report({.kind = remote::SentAction::Kind::Word, .code = *readHex(text)});
}

void FrmMain::optTxtSelect_Click(int Index) {
    module_.DirectLoadIndex = static_cast<int16_t>(Index);
}

void FrmMain::txtDirectLoad_LostFocus(int Index) {
    c_.txtDirectLoad[Index]->setText(c_.txtDirectLoad[Index]->text().toUpper());
}

void FrmMain::txtOffsetValue_LostFocus(int Index) {
    c_.txtOffsetValue[Index]->setText(c_.txtOffsetValue[Index]->text().toUpper());
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
    {
        FlagScope refusing(refusingEntry_);
        prompt_.message(QStringLiteral("Not a valid number. Please reenter it."),
                        QStringLiteral("Entry Error"), Prompt::Icon::Exclamation);
    }
    row->setText(QString());
    row->setFocus();
}

}  // namespace kteval::ui
