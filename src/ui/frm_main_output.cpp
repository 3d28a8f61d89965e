// The output calculation: effective codes, the start values of the offset
// codes and references, the reference entries and the voltage table of tab 3
// "Output Voltages".
#include <QLabel>
#include <QTabWidget>
#include <array>

#include "effective_code.h"
#include "frm_main.h"
#include "hex_text.h"
#include "output_voltage.h"
#include "part_rules.h"
#include "widgets.h"

namespace kteval::ui {

void FrmMain::UpdateOffset() {
    const PartInfo* part = module_.part();
    if (part == nullptr) return;
    module_.resetOffsetCodes();
    for (int k = 0; k < 3; ++k) {
        c_.txtOffsetValue[k]->setText(QString::fromUtf8(part->offsetText));
        c_.txtVREF[k]->setText(QString::fromUtf8(part->referenceText));
        reportedReferences_[static_cast<std::size_t>(k)] = referenceVolts(k);
        enteredReferences_[static_cast<std::size_t>(k)] = c_.txtVREF[k]->text();
    }
}

void FrmMain::reportReferenceChanges() {
    for (int k = 0; k < offsetDacCount(module_.part()); ++k) {
        double& reported = reportedReferences_[static_cast<std::size_t>(k)];
        if (referenceVolts(k) == reported) continue;
        reported = referenceVolts(k);
        if (actionListener_ == nullptr) continue;
        actionListener_->actionSent({.kind = remote::SentAction::Kind::Reference,
                                     .group = k,
                                     .entry = formatExact(reported)});
    }
}

void FrmMain::report(const remote::SentAction& action) {
    reportReferenceChanges();
    if (actionListener_ != nullptr) actionListener_->actionSent(action);
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
    for (int i = 0; i < kChannelCount; ++i) {
        const std::string volts = outputVoltageText(i);
        c_.lblvout[i]->setText(
            QStringLiteral("Vout%1=%2V").arg(i).arg(QString::fromStdString(volts)));
    }
}

void FrmMain::txtVREF_KeyPress(int Index, int KeyAscii) {
    if (KeyAscii != 13) return;
    QString& entered = enteredReferences_[static_cast<std::size_t>(Index)];
    // The value typed is judged against the one entered last; a refused one
    // gives way to that again.
    OutputState before = outputState();
    before.referenceVolts[static_cast<std::size_t>(Index)] =
        readReferenceText(entered.toStdString());
    if (refuseBeyondLimits(before, outputState())) {
        c_.txtVREF[Index]->setText(entered);
        reportReferenceChanges();
        return;
    }
    c_.txtVREF[Index]->setText(QString::fromStdString(formatDecimal(referenceVolts(Index))));
    entered = c_.txtVREF[Index]->text();
    reportReferenceChanges();
}

void FrmMain::setLimits(int channelIndex, const VoltLimits& limits) {
    const VoltLimits old = limits_.of(channelIndex);
    limits_.set(channelIndex, limits);
    for (const bool upper : {false, true}) {
        const double bound = upper ? limits.upper : limits.lower;
        if (bound == (upper ? old.upper : old.lower)) continue;
        report({.kind = remote::SentAction::Kind::Limit,
                .channel = channelIndex,
                .choice = upper,
                .entry = limitText(bound)});
    }
}

OutputState FrmMain::outputState() const {
    return {module_, {referenceVolts(0), referenceVolts(1), referenceVolts(2)}};
}

bool FrmMain::refuseBeyondLimits(const OutputState& before, const OutputState& after) {
    const PartInfo* part = module_.part();
    if (limits_.none() || part == nullptr) return false;
    const std::optional<LimitBreach> breach = limitBreach(limits_, before, after);
    if (!breach) return false;
    refuse(QString::fromStdString(breachText(*part, *breach)), QStringLiteral("Limit"));
    return true;
}

double FrmMain::referenceVolts(int k) const {
    return readReferenceText(c_.txtVREF[k]->text().toStdString());
}

std::string FrmMain::outputVoltageText(int channelNumber) const {
    const std::array<double, 3> volts{referenceVolts(0), referenceVolts(1), referenceVolts(2)};
    return TransferFunction(module_.PartName, channelNumber, module_.DACs, module_.OffsetCode,
                            volts);
}

}  // namespace kteval::ui
