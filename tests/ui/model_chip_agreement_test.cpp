// Long seeded random sessions of operator actions on the real main window over
// the simulated board: after every action the chip's registers must equal the
// program's model for every channel the part has, and after an LDAC pulse the
// selected channel's DAC register too.
//
// The seed is fixed unless KTEVAL_SEED=n gives another; a failure prints it.
#include <QtTest>

#include <random>

#include "effective_code.h"
#include "harness.h"
#include "random_operator.h"
#include "test_seed.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

class Session {
  public:
    Session(int partIndex, std::mt19937_64::result_type seed)
        : bench_(partIndex, true), operator_(partByIndex(partIndex), seed) {}

    // One random action, as operator steps; returns them.
    QString act() {
        const QString step = operator_.step(bench_.window);
        // "Pulse LDAC" and the LDAC level buttons.
        pulsed_ =
            step.contains("cmdLDAC") || step.contains("Command4") || step.contains("Command2");
        bench_.run(step.split(';'));
        return step;
    }

    // Empty when the chip equals the model; else what differs.
    QString disagreement() {
        const KT442xModule& model = bench_.model();
        const ChipState& chip = bench_.board->state();
        const auto text = [](const auto& r) {
            return QString::asprintf("X1A %x X1B %x M %x C %x", r.X1A, r.X1B, r.M, r.C);
        };
        for (int index : operator_.channels()) {
            const DAC& m = model.DACs(index);
            const ChannelRegisters& c = chip.channels[static_cast<std::size_t>(index)];
            if (m.X1A != c.X1A || m.X1B != c.X1B || m.M != c.M || m.C != c.C)
                return QStringLiteral("channel %1: model %2, chip %3")
                    .arg(QString::number(index), text(m), text(c));
        }
        // After an LDAC pulse the selected channel's DAC register, where the
        // model's X2 is current and in range (the model refreshes only the X2
        // of the register being written, and does not clamp) and the chip's
        // group select bit names the X2 the window's multiplexer shows (a
        // RESET clears the chip's bits, not the window's choices).
        const int selected = model.SelectedDAC;
        const DAC& m = model.selected();
        const bool muxB = bench_.option("DACoptMux2_1")->isChecked();
        const bool chipB = (chip.groupSelect[std::size_t(selected / 8)] >> selected % 8) & 1;
        const int32_t x2 = muxB ? m.X2B : m.X2A;
        const bool current = effectiveCode(model.PartBits, muxB ? m.X1B : m.X1A, m.M, m.C) == x2 &&
                             x2 >= 0 && x2 < (1 << model.PartBits);
        const int32_t chipDacReg = chip.channels[std::size_t(selected)].DACreg;
        if (pulsed_ && muxB == chipB && current && m.DACreg != chipDacReg) {
            return QStringLiteral("channel %1 DACreg: model %2, chip %3")
                .arg(selected)
                .arg(m.DACreg, 0, 16)
                .arg(chipDacReg, 0, 16);
        }
        if (model.OffsetCode != chip.offsetDacs) return QStringLiteral("offset DACs");
        if ((model.UseX1B != 0) != chip.controlSelectsB) return QStringLiteral("A/B control");
        return {};
    }

  private:
    bool pulsed_ = false;  // the last action pulsed LDAC

    Bench bench_;
    RandomOperator operator_;
};

}  // namespace

class ModelChipAgreementTest : public QObject {
    Q_OBJECT

  private slots:
    void randomSessions_data() {
        QTest::addColumn<int>("part");
        for (int i = 0; i < kPartCount; ++i) {
            QTest::newRow(std::string(partByIndex(i).name).c_str()) << i;
        }
    }
    void randomSessions() {
        QFETCH(int, part);
        const uint64_t seed = kteval::test::testSeed();
        Session session(part, seed + uint64_t(part));
        QString history;
        for (int n = 0; n < 2500; ++n) {
            history = (history + " | " + session.act()).right(400);
            const QString difference = session.disagreement();
            QVERIFY2(difference.isEmpty(),
                     qPrintable(QString::fromStdString(kteval::test::seedNote(seed)) +
                                QStringLiteral(", action %1: ").arg(n) + difference +
                                "; last actions: " + history));
        }
    }
};

QTEST_MAIN(ModelChipAgreementTest)
#include "model_chip_agreement_test.moc"
