// Catches any difference between the chip and the program's model after long
// seeded random sessions of operator actions on the real main window over the
// simulated board: every register of every channel the part has, the offset
// DACs, the A/B control, and after an LDAC pulse the selected channel's DAC
// register. The seed is fixed unless KTEVAL_SEED=n gives another; a failure
// prints it.
#include <QtTest>

#include "effective_code.h"
#include "random_operator.h"
#include "test_seed.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

// Empty when the chip equals the model; else what differs.
QString disagreement(Bench& bench, const std::vector<int>& channels, bool pulsed) {
    const KT442xModule& model = bench.model();
    const ChipState& chip = bench.board->state();
    const auto text = [](const auto& r) {
        return QString::asprintf("X1A %x X1B %x M %x C %x", r.X1A, r.X1B, r.M, r.C);
    };
    for (int index : channels) {
        const DAC& m = model.DACs(index);
        const ChannelRegisters& c = chip.channels[std::size_t(index)];
        if (m.X1A != c.X1A || m.X1B != c.X1B || m.M != c.M || m.C != c.C)
            return QStringLiteral("channel %1: model %2, chip %3")
                .arg(QString::number(index), text(m), text(c));
    }
    // The DAC register only where the model's X2 is current and in range (the
    // model refreshes only the X2 of the register being written, and does not
    // clamp) and the chip's group select bit names the X2 the window's
    // multiplexer shows (a RESET clears the chip's bits, not the window's).
    const int selected = model.SelectedDAC;
    const DAC& m = model.selected();
    const bool muxB = bench.option("DACoptMux2_1")->isChecked();
    const bool chipB = (chip.groupSelect[std::size_t(selected / 8)] >> selected % 8) & 1;
    const int32_t x2 = muxB ? m.X2B : m.X2A;
    const bool current = effectiveCode(model.PartBits, muxB ? m.X1B : m.X1A, m.M, m.C) == x2 &&
                         x2 >= 0 && x2 < (1 << model.PartBits);
    const int32_t chipDacReg = chip.channels[std::size_t(selected)].DACreg;
    if (pulsed && muxB == chipB && current && m.DACreg != chipDacReg)
        return QStringLiteral("channel %1 DACreg: model %2, chip %3")
            .arg(selected)
            .arg(m.DACreg, 0, 16)
            .arg(chipDacReg, 0, 16);
    if (model.OffsetCode != chip.offsetDacs) return QStringLiteral("offset DACs");
    return (model.UseX1B != 0) != chip.controlSelectsB ? QStringLiteral("A/B control") : QString();
}

}  // namespace

class ModelChipAgreementTest : public QObject {
    Q_OBJECT

  private slots:
    void randomSessions() {
        const uint64_t seed = kteval::test::testSeed();
        for (int part = 0; part < kPartCount; ++part) {
            Bench bench(part, true);
            RandomOperator op(partByIndex(part), seed + uint64_t(part));
            QString history;
            for (int n = 0; n < 2500; ++n) {
                const QString step = op.step(bench.window);
                history = (history + " | " + step).right(400);
                bench.run(step.split(';'));
                const bool pulsed = step.contains("cmdLDAC") || step.contains("Command4") ||
                                    step.contains("Command2");
                const QString difference = disagreement(bench, op.channels(), pulsed);
                QVERIFY2(difference.isEmpty(),
                         qPrintable(QString::fromStdString(kteval::test::seedNote(seed)) +
                                    QStringLiteral(", part %1 action %2: ").arg(part).arg(n) +
                                    difference + "; last actions: " + history));
            }
        }
    }
};

QTEST_MAIN(ModelChipAgreementTest)
#include "model_chip_agreement_test.moc"
