// Long seeded random sessions of operator actions on the real main window over
// the simulated board: after every action the chip's registers must equal the
// program's model for every channel the part has.
//
// KTEVAL_SEED=n repeats a run; KTEVAL_ACTIONS=n sets the actions per part.
#include <QtTest>

#include <random>

#include "harness.h"
#include "hex_text.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

unsigned long long environmentNumber(const char* name, unsigned long long fallback) {
    const QByteArray value = qgetenv(name);
    bool ok = false;
    const unsigned long long number = value.toULongLong(&ok);
    return ok ? number : fallback;
}

class Session {
  public:
    Session(int partIndex, std::mt19937_64::result_type seed)
        : bench_(partIndex, true), part_(partByIndex(partIndex)), random_(seed) {
        for (int i = 0; i < kChannelCount; ++i) {
            if (usesChannelIndex(part_, i)) channels_.push_back(i);
        }
    }

    // One random action; returns its description.
    QString act() {
        switch (pick(12)) {
            case 0: {
                const int index = channels_[pick(static_cast<int>(channels_.size()))];
                bench_.selectChannel(index);
                return QStringLiteral("channel %1").arg(index);
            }
            case 1:
                return clickOption("optAB", 2);
            case 2:
                return clickOption("DACoptMux2", 2);
            case 3:
                return clickOption("InputSel", 10);
            case 4: {
                const int row = pick(10);
                const QString text = randomText();
                bench_.typeInput(row, text);
                if (pick(3) == 0)
                    emit bench_.entry(QStringLiteral("txtInput_%1").arg(row))->enterPressed();
                return QStringLiteral("row %1 = '%2'").arg(row).arg(text);
            }
            case 5:
            case 6:
            case 7:
                return clickOneOf({"cmdX1A", "cmdM", "cmdC"});
            case 8: {
                const int dac = pick(part_.thirdReference ? 3 : 2);
                bench_.entry(QStringLiteral("txtOffsetValue_%1").arg(dac))->setText(randomText());
                bench_.button(QStringLiteral("cmdOFFSET_%1").arg(dac))->click();
                return QStringLiteral("offset %1").arg(dac);
            }
            case 9:
                return clickOneOf({"cmdLDAC", "Command4", "Command2"});
            case 10:
                return clickOneOf({"mnuPulseReset", "Command5", "Command1"});
            default: {
                if (!part_.monitorFamily) return QStringLiteral("nothing");
                switch (pick(4)) {
                    case 0:
                        bench_.pick("cboDisable", pick(2));
                        return QStringLiteral("monitor on/off");
                    case 1:
                        bench_.pick("cboMonChannel", pick(2 + part_.monitorEntries));
                        return QStringLiteral("monitor channel");
                    case 2:
                        return clickOption("chkGPIO", 3);
                    default:
                        bench_.button("cmdGPIOread")->click();
                        return QStringLiteral("GPIO read");
                }
            }
        }
    }

    // Empty when the chip equals the model; else what differs.
    QString disagreement() const {
        const KT442xModule& model = bench_.model();
        const ChipState& chip = bench_.board->state();
        const auto text = [](const auto& r) {
            return QString::asprintf("X1A %x X1B %x M %x C %x", r.X1A, r.X1B, r.M, r.C);
        };
        for (int index : channels_) {
            const DAC& m = model.DACs(index);
            const ChannelRegisters& c = chip.channels[static_cast<std::size_t>(index)];
            if (m.X1A != c.X1A || m.X1B != c.X1B || m.M != c.M || m.C != c.C)
                return QStringLiteral("channel %1: model %2, chip %3")
                    .arg(QString::number(index), text(m), text(c));
        }
        if (model.OffsetCode != chip.offsetDacs) return QStringLiteral("offset DACs");
        if ((model.UseX1B != 0) != chip.controlSelectsB) return QStringLiteral("A/B control");
        return {};
    }

  private:
    int pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

    QString clickOption(const char* group, int count) {
        const int index = pick(count);
        bench_.option(QStringLiteral("%1_%2").arg(group).arg(index))->click();
        return QStringLiteral("%1 %2").arg(group).arg(index);
    }

    QString clickOneOf(std::initializer_list<const char*> names) {
        const char* name = names.begin()[pick(static_cast<int>(names.size()))];
        bench_.button(name)->click();
        return QString::fromLatin1(name);
    }

    // Valid codes of every width, too large values, and malformed texts.
    QString randomText() {
        switch (pick(6)) {
            case 0:
                return QString::fromStdString(hexDigits(static_cast<uint32_t>(random_() & 0x3FFF)));
            case 1:
                return QString::fromStdString(hexDigits(static_cast<uint32_t>(random_() & 0xFFFF)))
                    .toLower();
            case 2:
                return QString::fromStdString(hexDigits(static_cast<uint32_t>(random_())));
            case 3:
                return QStringLiteral("0%1").arg(pick(0x4000), 0, 16);
            case 4: {
                const char* malformed[] = {"", "12G4", "0x10", "-1", " 1", "123456789", "ZZ"};
                return QString::fromLatin1(malformed[pick(7)]);
            }
            default:
                return QStringLiteral("%1").arg(0x10000 + pick(0x10000), 0, 16);
        }
    }

    Bench bench_;
    const PartInfo& part_;
    std::mt19937_64 random_;
    std::vector<int> channels_;
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
        const auto seed = environmentNumber("KTEVAL_SEED", std::random_device{}()) + part;
        const auto actions = environmentNumber("KTEVAL_ACTIONS", 2500);
        Session session(part, seed);
        QString history;
        for (unsigned long long n = 0; n < actions; ++n) {
            const QString action = session.act();
            history = (history + " | " + action).right(400);
            const QString difference = session.disagreement();
            const QString where = QString::asprintf(
                "seed %llu (KTEVAL_SEED=%llu) action %llu: ", seed, seed - part, n);
            QVERIFY2(difference.isEmpty(),
                     qPrintable(where + difference + "; last actions: " + history));
        }
    }
};

QTEST_MAIN(ModelChipAgreementTest)
#include "model_chip_agreement_test.moc"
