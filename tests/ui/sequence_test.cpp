// Ramps and lists on the real window over the simulated board: the words and
// pulses they send, *OPC? waiting for them, ABORt stopping them.
#include <QtTest>
#include <cmath>

#include "harness.h"
#include "interpreter.h"
#include "sequence_runner.h"
#include "window_operations.h"

using namespace kteval;
using namespace kteval::ui::test;

namespace {

// A KT4420 window with its sequence runner and one client that may wait.
struct SequenceBench {
    SequenceBench() {
        ops.setSequenceRunner(&runner);
        client.allowWaiting();
        bench.usb.clear();
    }
    // The request codes sent, in order (221 a word, 222 an LDAC pulse).
    std::vector<int16_t> requests() const {
        std::vector<int16_t> codes;
        for (const Request& r : bench.usb.requests) codes.push_back(r.request);
        return codes;
    }
    long pulses() const {
        const std::vector<int16_t> sent = requests();
        return std::count(sent.begin(), sent.end(), 222);
    }

    Bench bench{4, true};
    ui::WindowOperations ops{bench.window, true};
    ui::SequenceRunner runner{bench.window};
    remote::Interpreter client{ops};
};

// A KT4420 word's code as output volts at the start values (O = 4 x 0x1555, VREF 3 V).
double volts(int32_t word) {
    return ((word & 0xFFFF) - 4 * 0x1555) * 12.0 / 65536;
}

}  // namespace

class SequenceTest : public QObject {
    Q_OBJECT

  private slots:
    // Catches a ramp faster than its rate, *OPC? answering before its end, a
    // step without its pulse, and an abort that lets steps go on.
    void rampKeepsItsRateUntilAborted() {
        SequenceBench s;
        QVERIFY(!s.client.executeLine("DAC3:VOLT:SLEW 20;:DAC3:VOLT 1;*OPC?"));
        QVERIFY(s.client.waiting());
        QTRY_VERIFY(!s.runner.sequencer().busy());
        QCOMPARE(s.client.resume().value_or(""), "1");
        const std::vector<int32_t> words = s.bench.usb.words();
        QVERIFY(words.size() >= 5);
        double previous = 0.0;
        for (const int32_t word : words) {
            QVERIFY(std::fabs(volts(word) - previous) <= 20 * 0.010 + 1e-9);
            previous = volts(word);
        }
        QVERIFY(std::fabs(previous - 1.0) < 12.0 / 65536);
        std::vector<int16_t> alternating;
        for (std::size_t i = 0; i < words.size(); ++i)
            alternating.insert(alternating.end(), {221, 222});
        QCOMPARE(s.requests(), alternating);

        s.bench.usb.clear();
        QVERIFY(!s.client.executeLine("DAC3:VOLT:SLEW 1;:DAC3:VOLT -1"));
        QTRY_VERIFY(s.pulses() >= 2);
        QCOMPARE(s.client.executeLine("ABOR;:STAT:OPER:COND?;*OPC?").value_or(""), "0;1");
        const long stopped = s.pulses();
        QTest::qWait(50);
        QCOMPARE(s.pulses(), stopped);
        QCOMPARE(s.client.executeLine("SYST:ERR?").value_or(""), "0,\"No error\"");
        // A reset ends a ramp: the chip is back at its start.
        s.client.executeLine("DAC3:VOLT 1;*RST;:STAT:OPER:COND?");
        QCOMPARE(s.client.executeLine(":STAT:OPER:COND?").value_or(""), "0");
    }

    // Catches a list step that is not all its channels' words then one pulse,
    // a step off its schedule, and *OPC? answering before the last step.
    void listStepsTogetherOnSchedule() {
        SequenceBench s;
        QVERIFY(!s.client.executeLine(
            "DAC1:LIST:VOLT 0,1,2,3;:DAC2:LIST:CODE 1,2,3,4;:LIST:DWEL 0.01;:INIT;*OPC?"));
        QTRY_VERIFY(!s.runner.sequencer().busy());
        QCOMPARE(s.client.resume().value_or(""), "1");
        std::vector<int16_t> steps;
        for (int step = 0; step < 4; ++step) steps.insert(steps.end(), {221, 221, 222});
        QCOMPARE(s.requests(), steps);
        QCOMPARE(s.runner.listPulses().size(), std::size_t{4});
        const auto first = s.runner.listPulses().front().first;
        for (std::size_t k = 0; k < 4; ++k) {
            const auto [scheduled, pulse] = s.runner.listPulses()[k];
            QCOMPARE(scheduled - first, std::chrono::milliseconds(10) * k);
            QVERIFY(pulse >= scheduled);
        }
        QCOMPARE(s.client.executeLine(":DAC2:X1A?;:DAC1:VOLT:EXAC?").value_or(""), "4;3");

        // *LRN? carries rates, lists and their timing to a fresh program.
        s.client.executeLine(":DAC5:VOLT:SLEW 2.5;:TRIG:SOUR BUS;:LIST:COUN INF");
        SequenceBench fresh;
        fresh.client.executeLine(s.client.executeLine("*LRN?").value_or(""));
        const std::string settings =
            ":DAC1:LIST:VOLT?;:DAC2:LIST:CODE?;:DAC5:VOLT:SLEW?;:LIST:DWEL?;COUN?;:TRIG:SOUR?;"
            ":SYST:ERR?";
        QCOMPARE(fresh.client.executeLine(settings), s.client.executeLine(settings));
    }
};

QTEST_MAIN(SequenceTest)
#include "sequence_test.moc"
