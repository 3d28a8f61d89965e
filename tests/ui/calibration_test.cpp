// Calibration of simulated boards with errors, through the real window: the
// errors found agree with the board's, and the trim leaves a few LSB where M
// and C reach, and reports the rest where they do not.
#include <QtTest>
#include <cmath>

#include "calibration_run.h"
#include "harness.h"
#include "part_rules.h"
#include "simulated_meter.h"
#include "window_operations.h"

using namespace kteval;
using namespace kteval::ui::test;

class CalibrationTest : public QObject {
    Q_OBJECT

  private slots:
    void trimsEveryChannelWithinReach() {
        // A 16-bit part with a monitor (routed through MON) and a 14-bit one
        // without (the probe moved by hand), three boards each.
        for (const int partIndex : {0, 5}) {
            for (const uint64_t seed : {1u, 2u, 3u}) {
                Bench bench(partIndex, true, AnalogModel(seed));
                ui::WindowOperations ops(bench.window, true);
                const PartInfo& part = *bench.model().part();
                int probe = -1;
                measure::ManualRouter manual(
                    [&](int number) { return probe = indexOfChannelNumber(&part, number), true; },
                    part);
                measure::MonitorRouter monitor(ops);
                const bool mon = hasMonitor(&part);
                meter::ScpiMeter meter(std::make_unique<meter::SimulatedMeter>(
                                           [&] {
                                               return mon ? bench.board->monVolts()
                                                          : bench.board->pinVolts(probe);
                                           },
                                           nullptr, false),
                                       "simulated");
                meter.start({});
                std::vector<int> channels;
                for (int i = 0; i < kChannelCount; ++i)
                    if (usesChannelIndex(part, i)) channels.push_back(i);
                const int32_t monitorBefore = bench.model().MonitorState;
                const auto result = measure::calibrate(
                    ops, meter, mon ? static_cast<measure::Router&>(monitor) : manual, channels);
                QVERIFY2(!result.failure, result.failure.value_or("").c_str());
                QCOMPARE(result.channels.size(), channels.size());
                QCOMPARE(bench.model().MonitorState, monitorBefore);
                for (const auto& c : result.channels) {
                    const ChannelErrors truth = bench.board->analog().errors(c.channelIndex);
                    const double lsb = std::fabs(c.ideal.lsb);
                    const double span = std::ldexp(1.0, part.bits);  // codes
                    const QString where = QStringLiteral("%1 seed %2 DAC%3")
                                              .arg(part.name.data())
                                              .arg(seed)
                                              .arg(c.channelIndex);
                    // The two points see the chip's INL: a few LSB over the span.
                    QVERIFY2(std::fabs(c.before.gain - truth.gain) * span < 4, qPrintable(where));
                    QVERIFY2(std::fabs(c.before.offsetVolts - truth.offsetVolts) < 4 * lsb,
                             qPrintable(where));
                    QCOMPARE(bench.model().DACs(c.channelIndex).M, c.trim.m);
                    QCOMPARE(bench.model().DACs(c.channelIndex).C, c.trim.c);
                    QVERIFY2(std::fabs(c.after.gain - c.trim.residualGain) * span < 4,
                             qPrintable(where));
                    if (c.trim.gainReached && c.trim.offsetReached) {
                        QVERIFY2(std::fabs(c.after.gain) * span < 4, qPrintable(where));
                        QVERIFY2(std::fabs(c.after.offsetVolts) < 4 * lsb, qPrintable(where));
                    } else {
                        QVERIFY2(c.before.gain < 0 || !c.trim.offsetReached, qPrintable(where));
                    }
                }
            }
        }
    }
};

QTEST_MAIN(CalibrationTest)
#include "calibration_test.moc"
