#include "window_operations.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <array>

#include "frm_main.h"
#include "hex_digits.h"
#include "output_voltage.h"
#include "widgets.h"

namespace kteval::ui {

using remote::Outcome;

namespace {

QString hexEntry(uint32_t value, int digits = 1) {
    return QString::fromStdString(hexDigits(value, digits));
}

}  // namespace

WindowOperations::WindowOperations(FrmMain& window, bool simulatedBoard)
    : window_(window), simulated_(simulatedBoard) {}

template <typename Action>
Outcome WindowOperations::run(Action&& action) {
    GuardedPrompt& prompt = window_.prompt();
    prompt.hold();
    action();
    const int withheld = prompt.release();
    // The voltage table in front follows every remote change.
    if (window_.controls().SSTab1->currentIndex() == 3) window_.SSTab1_Click();
    return withheld == 0 ? Outcome::Done : Outcome::Refused;
}

void WindowOperations::click(QAbstractButton* button) {
    button->click();
}

void WindowOperations::chooseChannel(int channelIndex) {
    QRadioButton* button = window_.controls().chkDAC[static_cast<std::size_t>(channelIndex)];
    if (module().SelectedDAC != channelIndex || !button->isChecked()) click(button);
}

const KT442xModule& WindowOperations::module() const {
    return window_.module();
}

std::string WindowOperations::programVersion() const {
    return QCoreApplication::applicationVersion().toStdString();
}

std::string WindowOperations::referenceText(int k) const {
    if (k < 0 || k > 2) return {};
    return window_.controls().txtVREF[static_cast<std::size_t>(k)]->text().toStdString();
}

bool WindowOperations::operatorBusy() const {
    // The part dialog's loop, too, runs on after the dialog has closed.
    return !window_.loaded() || window_.prompt().showing();
}

std::string WindowOperations::outputVoltageText(int channelIndex) {
    const KT442xModule& m = module();
    std::array<std::string, 3> references;
    for (int k = 0; k < 3; ++k) references[static_cast<std::size_t>(k)] = referenceText(k);
    return TransferFunction(m.PartName, channelNumberOfIndex(m.part(), channelIndex), m.DACs,
                            m.OffsetCode, references);
}

Outcome WindowOperations::selectChannel(int channelIndex) {
    const PartInfo* part = module().part();
    if (part == nullptr || !usesChannelIndex(*part, channelIndex)) return Outcome::Refused;
    return run([&] { click(window_.controls().chkDAC[static_cast<std::size_t>(channelIndex)]); });
}

Outcome WindowOperations::writeChannelRegister(int channelIndex, remote::Register reg,
                                               uint32_t code) {
    const KT442xModule& m = module();
    if (m.part() == nullptr || !usesChannelIndex(*m.part(), channelIndex) ||
        code > (uint32_t{1} << m.PartBits) - 1) {
        return Outcome::Refused;
    }
    MainControls& c = window_.controls();
    return run([&] {
        chooseChannel(channelIndex);
        QPushButton* button = c.cmdX1A;
        if (reg == remote::Register::X1A || reg == remote::Register::X1B) {
            QRadioButton* ab = c.optAB[reg == remote::Register::X1A ? 0 : 1];
            if (!ab->isChecked()) click(ab);
        } else {
            button = reg == remote::Register::M ? c.cmdM : c.cmdC;
        }
        c.txtInput[static_cast<std::size_t>(window_.TextSelIndex())]->setText(hexEntry(code));
        click(button);
    });
}

Outcome WindowOperations::setMux(int channelIndex, remote::MuxSource source) {
    const PartInfo* part = module().part();
    if (part == nullptr || !usesChannelIndex(*part, channelIndex)) return Outcome::Refused;
    return run([&] {
        chooseChannel(channelIndex);
        click(window_.controls().DACoptMux2[source == remote::MuxSource::A ? 0 : 1]);
    });
}

Outcome WindowOperations::writeOffset(int k, uint32_t code) {
    const PartInfo* part = module().part();
    if (part == nullptr || k < 0 || k > 2 || (k == 2 && !part->thirdReference) || code > 0x3FFF) {
        return Outcome::Refused;
    }
    MainControls& c = window_.controls();
    return run([&] {
        c.txtOffsetValue[static_cast<std::size_t>(k)]->setText(hexEntry(code, 4));
        click(c.cmdOFFSET[static_cast<std::size_t>(k)]);
    });
}

Outcome WindowOperations::setReference(int k, std::string_view text) {
    const PartInfo* part = module().part();
    if (part == nullptr || k < 0 || k > 2 || (k == 2 && !part->thirdReference)) {
        return Outcome::Refused;
    }
    return run([&] {
        window_.controls().txtVREF[static_cast<std::size_t>(k)]->setText(
            QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        window_.txtVREF_KeyPress(k, 13);
    });
}

Outcome WindowOperations::loadWord(uint32_t word) {
    if (word > 0xFFFFFF) return Outcome::Refused;
    MainControls& c = window_.controls();
    return run([&] {
        const auto box = static_cast<std::size_t>(module().DirectLoadIndex);
        c.txtDirectLoad[box]->setText(hexEntry(word, 6));
        click(c.cmdDirectLoad);
    });
}

Outcome WindowOperations::pulseLdac() {
    return run([&] { click(window_.controls().cmdLDAC); });
}

Outcome WindowOperations::pulseReset() {
    return run([&] { click(window_.controls().mnuPulseReset); });
}

Outcome WindowOperations::setLine(remote::Line line, bool high) {
    // cmdRESET: RESET high, low; CLR high, low; LDAC high, low.
    const int first = line == remote::Line::Reset ? 0 : line == remote::Line::Clr ? 2 : 4;
    const auto index = static_cast<std::size_t>(first + (high ? 0 : 1));
    return run([&] { click(window_.controls().cmdRESET[index]); });
}

Outcome WindowOperations::setMonitor(bool on) {
    const PartInfo* part = module().part();
    if (part == nullptr || !part->monitorFamily) return Outcome::Refused;
    return run([&] {
        window_.controls().cboDisable->setCurrentIndex(on ? 1 : 0);
        window_.cboDisable_Click();
    });
}

Outcome WindowOperations::setMonitorSource(std::string_view entryText) {
    const PartInfo* part = module().part();
    if (part == nullptr || !part->monitorFamily) return Outcome::Refused;
    KeylessComboBox* box = window_.controls().cboMonChannel;
    const int position =
        box->findText(QString::fromUtf8(entryText.data(), static_cast<qsizetype>(entryText.size())),
                      Qt::MatchExactly | Qt::MatchCaseSensitive);
    // The operator cannot pick from the list while the monitor is disabled.
    if (position < 0 || !box->isEnabled()) return Outcome::Refused;
    return run([&] {
        box->setCurrentIndex(position);
        window_.cboMonChannel_Click();
    });
}

Outcome WindowOperations::setGpioMode(remote::GpioMode mode) {
    const PartInfo* part = module().part();
    if (part == nullptr || !part->monitorFamily) return Outcome::Refused;
    const int index = mode == remote::GpioMode::Input ? 0 : mode == remote::GpioMode::Low ? 1 : 2;
    return run([&] { click(window_.controls().chkGPIO[static_cast<std::size_t>(index)]); });
}

std::optional<bool> WindowOperations::readGpio() {
    const PartInfo* part = module().part();
    if (part == nullptr || !part->monitorFamily) return std::nullopt;
    MainControls& c = window_.controls();
    if (run([&] { click(c.cmdGPIOread); }) == Outcome::Refused) return std::nullopt;
    return c.lblGPIOinput->text() == QStringLiteral("=HIGH");
}

Outcome WindowOperations::reloadBoard() {
    return run([&] { window_.controls().mnuReload->trigger(); });
}

}  // namespace kteval::ui
