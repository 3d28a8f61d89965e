#include "window_operations.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "calibration_store.h"
#include "frm_main.h"
#include "hex_digits.h"
#include "line_requests.h"
#include "meter_bench.h"
#include "sequence_runner.h"
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

std::string WindowOperations::boardName() const {
    const std::string name = boardName_ ? boardName_() : std::string();
    return name.empty() ? Operations::boardName() : name;
}

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

double WindowOperations::referenceVolts(int k) const {
    return window_.referenceVolts(k);
}

bool WindowOperations::operatorBusy() const {
    // The part dialog's loop, too, runs on after the dialog has closed.
    return !window_.loaded() || window_.prompt().showing();
}

std::string WindowOperations::outputVoltageText(int channelIndex) {
    return window_.outputVoltageText(channelNumberOfIndex(module().part(), channelIndex));
}

Outcome WindowOperations::selectChannel(int channelIndex) {
    return run([&] { click(window_.controls().chkDAC[static_cast<std::size_t>(channelIndex)]); });
}

Outcome WindowOperations::writeChannelRegister(int channelIndex, remote::Register reg,
                                               uint32_t code) {
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
    return run([&] {
        chooseChannel(channelIndex);
        click(window_.controls().DACoptMux2[source == remote::MuxSource::A ? 0 : 1]);
    });
}

Outcome WindowOperations::writeOffset(int k, uint32_t code) {
    MainControls& c = window_.controls();
    return run([&] {
        c.txtOffsetValue[static_cast<std::size_t>(k)]->setText(hexEntry(code, 4));
        click(c.cmdOFFSET[static_cast<std::size_t>(k)]);
    });
}

Outcome WindowOperations::setReference(int k, std::string_view text) {
    return run([&] {
        window_.controls().txtVREF[static_cast<std::size_t>(k)]->setText(
            QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        window_.txtVREF_KeyPress(k, 13);
    });
}

Outcome WindowOperations::loadWord(uint32_t word) {
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
    static_assert(static_cast<int>(remote::Line::Clr) == static_cast<int>(word::ControlLine::Clr) &&
                  static_cast<int>(remote::Line::Ldac) ==
                      static_cast<int>(word::ControlLine::Ldac));
    const auto index = static_cast<std::size_t>(
        word::levelButtonIndex(static_cast<word::ControlLine>(line), high));
    return run([&] { click(window_.controls().cmdRESET[index]); });
}

Outcome WindowOperations::setMonitor(bool on) {
    return run([&] {
        window_.controls().cboDisable->setCurrentIndex(on ? 1 : 0);
        window_.cboDisable_Click();
    });
}

Outcome WindowOperations::setMonitorSource(int position) {
    return run([&] {
        window_.controls().cboMonChannel->setCurrentIndex(position);
        window_.cboMonChannel_Click();
    });
}

Outcome WindowOperations::setGpioMode(remote::GpioMode mode) {
    const auto index = static_cast<std::size_t>(mode);  // chkGPIO's order
    return run([&] { click(window_.controls().chkGPIO[index]); });
}

Outcome WindowOperations::readGpio() {
    return run([&] { click(window_.controls().cmdGPIOread); });
}

Outcome WindowOperations::reloadBoard() {
    return run([&] { window_.controls().mnuReload->trigger(); });
}

// --- Setups and recordings ---

bool WindowOperations::lineHigh(remote::Line line) const {
    return window_.lineHigh(line);
}

remote::GpioMode WindowOperations::gpioMode() const {
    const MainControls& c = window_.controls();
    if (c.chkGPIO[1]->isChecked()) return remote::GpioMode::Low;
    if (c.chkGPIO[2]->isChecked()) return remote::GpioMode::High;
    return remote::GpioMode::Input;
}

Outcome WindowOperations::chooseInput(bool registerB) {
    return run([&] { click(window_.controls().optAB[registerB ? 1 : 0]); });
}

// --- Output limits: the window's own, set without a control ---

VoltLimits WindowOperations::limits(int channelIndex) const {
    return window_.limits().of(channelIndex);
}

Outcome WindowOperations::setLimits(int channelIndex, const VoltLimits& limits) {
    window_.setLimits(channelIndex, limits);
    return Outcome::Done;
}

// --- Read-back and self-test ---

std::string WindowOperations::monitorSourceText() const {
    return window_.controls().cboMonChannel->currentText().toStdString();
}

int WindowOperations::selfTest() {
    BoardLink& link = window_.link();
    link.ReadWord();
    return link.LastResult >= 0 ? 0 : link.LastResult;
}

// --- Ramps and lists ---

sequence::Sequencer* WindowOperations::sequencer() {
    return runner_ != nullptr ? &runner_->sequencer() : nullptr;
}

void WindowOperations::sequencesChanged() {
    if (runner_ != nullptr) runner_->reschedule();
}

std::chrono::nanoseconds WindowOperations::requestTime() const {
    return window_.link().requestTime();
}

// --- Measuring ---

remote::Operations::Measured WindowOperations::measureOutput(int channelIndex) {
    if (meterBench_ == nullptr) return Operations::measureOutput(channelIndex);
    try {
        return {meterBench_->measure(channelIndex), {}};
    } catch (const meter::MeterFailure& failure) {
        return {std::nullopt, failure.what()};
    }
}

std::string WindowOperations::calibrate(const std::vector<int>& channelIndices) {
    if (meterBench_ == nullptr) return Operations::calibrate(channelIndices);
    const measure::CalibrationResult result = meterBench_->calibrate(channelIndices);
    if (result.failure) return *result.failure;
    return result.cancelled ? "the calibration was called off" : "";
}

std::string WindowOperations::calibrationText(int channelIndex) const {
    return measure::calibrationText(calibrations_ ? calibrations_->find(channelIndex) : nullptr);
}

std::optional<remote::Operations::CalibratedOutput> WindowOperations::calibratedOutput(
    int channelIndex) const {
    const measure::ChannelCalibration* c =
        calibrations_ ? calibrations_->find(channelIndex) : nullptr;
    if (c == nullptr) return std::nullopt;
    return CalibratedOutput{c->after.gain, c->after.offsetVolts};
}

std::string WindowOperations::applyCalibration() {
    return calibrations_ ? calibrations_->apply(*this) : Operations::applyCalibration();
}

}  // namespace kteval::ui
