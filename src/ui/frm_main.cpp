// Lifecycle, part setup, refusal boxes and the credits sequence.
#include "frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "hex_text.h"
#include "part_rules.h"
#include "prompt.h"
#include "request_codes.h"
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

QString labelText(int32_t value) {
    return QString::fromStdString(registerLabelText(value));
}

}  // namespace

FrmMain::FrmMain(USBFunctions& usb, Prompt& prompt, PartChooser& chooser, QWidget* parent)
    : QMainWindow(parent),
      prompt_(prompt),
      chooser_(chooser),
      link_(usb),
      spi_(link_,
           [this](const std::string& text) {
               c_.lblOutputCode->setText(QString::fromStdString(text));
           }),
      firmwarePlaces_{
          {}, QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString(), {}} {
    setObjectName("frmMain");
    buildMainWindow(*this, c_);
    connectHandlers();
    connectEntryHandlers();
}

FrmMain::~FrmMain() = default;

void FrmMain::connectHandlers() {
    connect(c_.mnuReload, &QAction::triggered, this, &FrmMain::mnuReload_Click);
    connect(c_.mnuExit, &QAction::triggered, this, &FrmMain::mnuExit_Click);
    connect(c_.mnuVersion, &QAction::triggered, this, &FrmMain::mnuVersion_Click);
    connect(c_.SSTab1, &QTabWidget::currentChanged, this, &FrmMain::SSTab1_Click);
    connect(c_.Picture1, &ClickArea::clicked, this, &FrmMain::Picture1_Click);
    connect(c_.Picture2, &ClickArea::clicked, this, &FrmMain::Picture2_Click);
    connect(c_.Picture3, &ClickArea::clicked, this, &FrmMain::Picture3_Click);

    for (int i = 0; i < kChannelCount; ++i) {
        connect(c_.chkDAC[i], &QRadioButton::clicked, this, [this, i] { chkDAC_Click(i); });
    }
    for (int i = 0; i < 2; ++i) {
        connect(c_.optAB[i], &QRadioButton::clicked, this, [this, i] { optAB_Click(i); });
        connect(c_.DACoptMux2[i], &QRadioButton::clicked, this, [this, i] { DACoptMux2_Click(i); });
    }
    for (int i = 0; i < 10; ++i) {
        connect(c_.InputSel[i], &QRadioButton::clicked, this, [this, i] { InputSel_Click(i); });
    }
    connect(c_.cmdX1A, &QPushButton::clicked, this, &FrmMain::cmdX1A_Click);
    connect(c_.cmdM, &QPushButton::clicked, this, &FrmMain::cmdM_Click);
    connect(c_.cmdC, &QPushButton::clicked, this, &FrmMain::cmdC_Click);
    for (int i = 0; i < 3; ++i) {
        connect(c_.cmdOFFSET[i], &QPushButton::clicked, this, [this, i] { cmdOFFSET_Click(i); });
        connect(c_.chkGPIO[i], &QRadioButton::clicked, this, [this, i] { chkGPIO_Click(i); });
    }
    connect(c_.cmdDirectLoad, &QPushButton::clicked, this, &FrmMain::cmdDirectLoad_Click);
    for (int i = 0; i < 5; ++i) {
        connect(c_.optTxtSelect[i], &QRadioButton::clicked, this,
                [this, i] { optTxtSelect_Click(i); });
    }
    connect(c_.cboDisable, &QComboBox::activated, this, &FrmMain::cboDisable_Click);
    connect(c_.cboMonChannel, &QComboBox::activated, this, &FrmMain::cboMonChannel_Click);
    connect(c_.cmdGPIOread, &QPushButton::clicked, this, &FrmMain::cmdGPIOread_Click);
    for (int i = 0; i < 6; ++i) {
        connect(c_.cmdRESET[i], &QPushButton::clicked, this, [this, i] { cmdRESET_Click(i); });
    }
    // The buttons of the same caption on the other tabs run the same handler.
    for (QPushButton* button : {c_.mnuPulseReset, c_.Command5, c_.Command1}) {
        connect(button, &QPushButton::clicked, this, &FrmMain::mnuPulseReset_Click);
    }
    for (QPushButton* button : {c_.cmdLDAC, c_.Command4, c_.Command2}) {
        connect(button, &QPushButton::clicked, this, &FrmMain::cmdLDAC_Click);
    }
}

void FrmMain::connectEntryHandlers() {
    for (int i = 0; i < 10; ++i) {
        connect(c_.txtInput[i], &EntryBox::enterPressed, this,
                [this, i] { txtInput_KeyPress(i, 13); });
        connect(c_.txtInput[i], &EntryBox::focusLost, this, [this, i] { txtInput_LostFocus(i); });
    }
    for (int i = 0; i < 3; ++i) {
        connect(c_.txtVREF[i], &EntryBox::enterPressed, this,
                [this, i] { txtVREF_KeyPress(i, 13); });
        connect(c_.txtVREF[i], &EntryBox::focusLost, this, &FrmMain::reportReferenceChanges);
        connect(c_.txtOffsetValue[i], &EntryBox::focusLost, this,
                [this, i] { txtOffsetValue_LostFocus(i); });
    }
    for (int i = 0; i < 5; ++i) {
        connect(c_.txtDirectLoad[i], &EntryBox::focusLost, this,
                [this, i] { txtDirectLoad_LostFocus(i); });
    }
}

void FrmMain::Form_Load() {
    chooser_.choosePart([this](int index) { cmdPART_Click(index); });
    showCaption();
    UpdateOffset();
    c_.SSTab1->setCurrentIndex(0);
    textSelIndex_ = 0;
    module_.ResetChannelTable();

    const PartInfo* part = module_.part();
    if (hasMonitor(part)) {
        c_.fraMonControls->setVisible(true);
        c_.fraGPIO->setVisible(true);
        for (int position = 2; position < monitorEntryCount(*part); ++position) {
            c_.cboMonChannel->addItem(QString::fromStdString(monitorEntryText(position)));
        }
        c_.SSTab1->setTabText(1, QStringLiteral("Offset DACs && Monitor Functions"));
        module_.BusyFlag = -1;
        c_.cboMonChannel->setCurrentIndex(2);
        module_.BusyFlag = 0;
    }

    showChannelRegisters(0);
    if (part != nullptr) {
        for (int i = part->visibleVoltageLabels; i < kChannelCount; ++i) {
            c_.lblvout[i]->setVisible(false);
        }
    }
    LoadUSB();
    loaded_ = true;
}

void FrmMain::showCaption() {
    setWindowTitle(QString::fromStdString(
        mainCaption(module_.PartName, module_.PartChannels, module_.PartBits)));
}

void FrmMain::showChannelRegisters(int index) {
    const DAC& r = module_.DACs(index);
    c_.lblXA->setText(labelText(r.X1A));
    c_.lblXB->setText(labelText(r.X1B));
    c_.lblM->setText(labelText(r.M));
    c_.lblC->setText(labelText(r.C));
    c_.lblX2A->setText(labelText(r.X2A));
    c_.lblX2B->setText(labelText(r.X2B));
    c_.DACregister->setText(labelText(r.DACreg));
}

void FrmMain::Init() {
    if (resetListener_) resetListener_();
    UpdateOffset();
    textSelIndex_ = 0;
    module_.ResetChannelTable();
    showChannelRegisters(0);
    module_.BusyFlag = -1;
    c_.optAB[0]->setChecked(true);
    c_.Areg->setVisible(true);
    c_.Breg->setVisible(false);
    c_.DACoptMux2[0]->setChecked(true);
    c_.InputSel[0]->setChecked(true);
    // The display now shows channel 0 with register A: the model and the
    // freshly reset chip are made to agree with it.
    module_.UseX1B = 0;
    module_.SelectedDAC = 0;
    c_.chkDAC[0]->setChecked(true);
    c_.frmGroup->setTitle(QStringLiteral("Group 0 - Vout0"));
    module_.BusyFlag = 0;
}

void FrmMain::setFirmwareDirectory(const QString& directory) {
    firmwarePlaces_.programDirectory = QFile::encodeName(directory).toStdString();
}

void FrmMain::LoadUSB() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int16_t result = link_.loadFirmware(firmwarePlaces_);
    QApplication::restoreOverrideCursor();
    if (result < 0) {
        const QString details =
            loadAdvice_ ? QString::fromStdString(loadAdvice_(result, link_.firmwareChoice))
                        : QString();
        prompt_.detailedMessage(QStringLiteral("No Evaluation Board Found"),
                                QString::fromStdString(module_.PartName) + QStringLiteral(": ") +
                                    QString::number(result),
                                Prompt::Icon::Exclamation, details);
    }
    link_.sendStart();
}

void FrmMain::mnuReload_Click() {
    if (busyWithRefusal()) return;
    LoadUSB();
    link_.SendRequest(request::ResetLow);
    link_.SendRequest(request::ResetHigh);
    lineHigh_.fill(true);  // the firmware starts with every line at its idle level
    Init();
    report({.kind = remote::SentAction::Kind::Reload});
}

void FrmMain::mnuVersion_Click() {
    prompt_.message(
        QStringLiteral("Version 1.05"),
        QString::fromStdString(module_.PartName) + QStringLiteral(" Evaluation Board Software"),
        Prompt::Icon::Information);
}

void FrmMain::mnuExit_Click() {
    close();
}

void FrmMain::closeEvent(QCloseEvent* event) {
    reportReferenceChanges();
    // Unload every other window of the program; nothing is saved.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible()) window->close();
    }
    event->accept();
}

void FrmMain::cmdPART_Click(int Index) {
    const PartInfo& part = partByIndex(Index);
    setupPart(part.name);
}

void FrmMain::setupPart(std::string_view name) {
    const PartInfo& part = *findPart(name);
    module_.applySetup(part);
    for (int i = 0; i < kChannelCount; ++i) {
        c_.chkDAC[i]->setVisible(usesChannelIndex(part, i));
    }
    if (part.groupSize < 8) {
        for (int k = 8; k < 8 + part.groupSize; ++k) {
            c_.chkDAC[k]->setText(QStringLiteral("DAC%1").arg(k - 4));
        }
    }
    for (int k = 0; k < 3; ++k) {
        const bool shown = hasOffsetDac(&part, k);
        c_.Label5[k]->setVisible(shown);
        c_.txtVREF[k]->setVisible(shown);
    }
    if (hasOffsetDac(&part, 2)) {
        c_.cmdOFFSET[2]->setVisible(true);
        c_.txtOffsetValue[2]->setVisible(true);
        c_.Line8->setVisible(true);
        c_.Label6[2]->setVisible(true);
    }
    showCaption();
    c_.lblM->setText(labelText(module_.DACs(0).M));
    c_.lblC->setText(labelText(module_.DACs(0).C));
    if (partListener_) partListener_(part);
}

void FrmMain::refuse(const QString& text, const QString& title) {
    FlagScope refusing(refusingEntry_);
    prompt_.message(text, title, Prompt::Icon::Exclamation);
}

bool FrmMain::refuseByCheckText(const std::string& text, int bitLength) {
    const CheckVerdict verdict = CheckText(text, bitLength);
    if (!verdict.refused()) return false;
    refuse(QString::fromStdString(verdict.message), QString::fromStdString(verdict.title));
    return true;
}

bool FrmMain::refuseAboveCodeWidth(uint32_t value) {
    if (value <= largestRegisterCode(module_.PartBits)) return false;
    refuse(QStringLiteral("The selected value is larger than\rthe number of bits allows"),
           QString::fromLatin1(kApplicationTitle));
    return true;
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
