// Measuring simulated boards with errors through the real window: the
// characterisation and the calibration find the board's own errors, and the
// trim leaves a few LSB where M and C reach, and reports the rest where they
// do not.
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QTableWidget>
#include <QtTest>
#include <cmath>

#include "calibration_run.h"
#include "calibration_store.h"
#include "code_set.h"
#include "harness.h"
#include "interpreter.h"
#include "linearity.h"
#include "measure_dialog.h"
#include "measurement_run.h"
#include "part_rules.h"
#include "simulated_meter.h"
#include "window_operations.h"

using namespace kteval;
using namespace kteval::ui::test;

namespace {

// A board of the part with seed's errors, a simulated meter routed through
// MON where the part has it, else by a probe that follows the routing.
struct MeterBench {
    MeterBench(int partIndex, uint64_t seed)
        : bench(partIndex, true, AnalogModel(seed)),
          part(*bench.model().part()),
          mon(hasMonitor(&part)),
          manual([this](int n) { return probe = indexOfChannelNumber(&part, n), true; }, part),
          meter(std::make_unique<meter::SimulatedMeter>(
                    [this] { return mon ? bench.board->monVolts() : bench.board->pinVolts(probe); },
                    nullptr, false),
                "simulated") {
        meter.start({});
        for (int i = 0; i < kChannelCount; ++i)
            if (usesChannelIndex(part, i)) channels.push_back(i);
    }
    measure::Router& router() { return mon ? static_cast<measure::Router&>(monitor) : manual; }
    QString where(int channel) const {
        return QStringLiteral("%1 DAC%2").arg(part.name.data()).arg(channel);
    }

    Bench bench;
    ui::WindowOperations ops{bench.window, true};
    const PartInfo& part;
    bool mon;
    int probe = -1;
    measure::ManualRouter manual;
    measure::MonitorRouter monitor{ops};
    meter::ScpiMeter meter;
    std::vector<int> channels;
};

}  // namespace

class MeasuringTest : public QObject {
    Q_OBJECT

  private slots:
    // A 16-bit part with a monitor and a 14-bit one without, three boards each.
    void trimsEveryChannelWithinReach() {
        for (const int partIndex : {0, 5}) {
            for (const uint64_t seed : {1u, 2u, 3u}) {
                MeterBench b(partIndex, seed);
                const int32_t monitorBefore = b.bench.model().MonitorState;
                const auto result = measure::calibrate(b.ops, b.meter, b.router(), b.channels);
                QVERIFY2(!result.failure, result.failure.value_or("").c_str());
                QCOMPARE(result.channels.size(), b.channels.size());
                QCOMPARE(b.bench.model().MonitorState, monitorBefore);
                const double span = std::ldexp(1.0, b.part.bits);  // codes
                for (const auto& c : result.channels) {
                    const ChannelErrors truth = b.bench.board->analog().errors(c.channelIndex);
                    const double lsb = std::fabs(c.ideal.lsb);
                    const QByteArray where = b.where(c.channelIndex).toLatin1();
                    // The two points see the chip's INL: a few LSB over the span.
                    QVERIFY2(std::fabs(c.before.gain - truth.gain) * span < 4, where);
                    QVERIFY2(std::fabs(c.before.offsetVolts - truth.offsetVolts) < 4 * lsb, where);
                    QCOMPARE(b.bench.model().DACs(c.channelIndex).M, c.trim.m);
                    QCOMPARE(b.bench.model().DACs(c.channelIndex).C, c.trim.c);
                    QVERIFY2(std::fabs(c.after.gain - c.trim.residualGain) * span < 4, where);
                    if (c.trim.gainReached && c.trim.offsetReached) {
                        QVERIFY2(std::fabs(c.after.gain) * span < 4, where);
                        QVERIFY2(std::fabs(c.after.offsetVolts) < 4 * lsb, where);
                    } else {
                        QVERIFY2(c.before.gain < 0 || !c.trim.offsetReached, where);
                    }
                }
            }
        }
    }

    // Catches a calibrated channel's volts missing the pin, and a saved
    // calibration written back with other M and C.
    void calibratedVoltsReachThePin() {
        QTemporaryDir dir;
        const std::string path = dir.filePath("simulated-4.csv").toStdString();
        MeterBench b(0, 4);
        measure::CalibrationStore store(path);
        b.ops.setCalibrationStore(&store);
        for (const auto& c : measure::calibrate(b.ops, b.meter, b.router(), {0, 9}).channels) {
            std::string error;
            QVERIFY(store.record(b.part, c, error));
            remote::Interpreter client(b.ops);
            const QByteArray command =
                QStringLiteral("DAC%1:VOLT -3.3;:PULS:LDAC").arg(c.channelIndex).toLatin1();
            client.executeLine(command.toStdString());
            const double pin = b.bench.board->pinVolts(c.channelIndex);
            if (c.trim.gainReached && c.trim.offsetReached)
                QVERIFY2(std::fabs(pin + 3.3) < 4 * std::fabs(c.ideal.lsb), command);
        }
        MeterBench fresh(0, 4);
        measure::CalibrationStore saved(path);
        fresh.ops.setCalibrationStore(&saved);
        QCOMPARE(fresh.ops.applyCalibration(), std::string());
        for (const int channel : {0, 9}) {
            QCOMPARE(fresh.bench.model().DACs(channel).M, b.bench.model().DACs(channel).M);
            QCOMPARE(fresh.bench.model().DACs(channel).C, b.bench.model().DACs(channel).C);
            QCOMPARE(fresh.ops.calibrationText(channel), b.ops.calibrationText(channel));
        }
    }

    // Catches the dialog's run not reaching the table and chart, a Cancel
    // that does not stop it, and the menu out of its place.
    void dialogRunsAndCancels() {
        MeterBench b(0, 6);
        QTemporaryDir dir;
        measure::CalibrationStore store(dir.filePath("b.csv").toStdString());
        measure::MeterBench bench(
            b.ops,
            std::make_unique<meter::ScpiMeter>(
                std::make_unique<meter::SimulatedMeter>([&] { return b.bench.board->monVolts(); },
                                                        nullptr, false),
                "simulated"),
            {}, store);
        ui::MeasureDialog dialog(
            b.ops, [&](const std::string&) -> measure::MeterBench& { return bench; }, "simulated");
        auto* characterise = dialog.findChild<QPushButton*>("cmdCharacterise");
        dialog.findChild<QLineEdit*>("txtChannels")->setText("0,9");
        characterise->click();
        QTRY_VERIFY_WITH_TIMEOUT(characterise->isEnabled(), 20000);
        QCOMPARE(dialog.findChild<QTableWidget*>("tblResults")->rowCount(), 2);
        QCOMPARE(dialog.findChild<QProgressBar*>("barProgress")->value(), 100);
        QVERIFY(!dialog.findChild<QLabel*>("imgChart")->pixmap().isNull());
        characterise->click();
        dialog.findChild<QPushButton*>("cmdCancel")->click();
        QTRY_VERIFY(characterise->isEnabled());
        QVERIFY(dialog.findChild<QLabel*>("lblStatus")->text().contains("cancelled"));
        QVERIFY(dialog.findChild<QProgressBar*>("barProgress")->value() < 100);

        // DAC<n>:MEASure? is the pin: the voltage table's value with the
        // channel's gain and offset errors (and a few LSB of INL).
        b.ops.setMeterBench(&bench);
        remote::Interpreter client(b.ops);
        client.executeLine("DAC5:X1A 50000;:PULS:LDAC");
        const double table = std::stod(client.executeLine("DAC5:VOLT:EXAC?").value_or("0"));
        const double pin = std::stod(client.executeLine("DAC5:MEAS?").value_or("0"));
        const ChannelErrors truth = b.bench.board->analog().errors(5);
        QVERIFY(std::fabs(pin - ((1 + truth.gain) * table + truth.offsetVolts)) < 4 * 20.0 / 65536);
        QVERIFY(std::fabs(pin - table) > 1e-4);

        ui::addMeasureMenu(b.bench.window, [] {});
        QStringList menus;
        for (QAction* menu : b.bench.window.menuBar()->actions()) menus << menu->text();
        QCOMPARE(menus, (QStringList{"File", "Measure", "About"}));
    }

    // The default code set finds each channel's offset, gain, INL and DNL.
    void characterisationFindsTheBoardsErrors() {
        for (const auto& [partIndex, seed] : {std::pair{0, 7}, {5, 7}, {0, 8}, {5, 8}}) {
            MeterBench b(partIndex, uint64_t(seed));
            const std::vector<int> channels(b.channels.begin(), b.channels.begin() + 3);
            measure::MeasurementRun run(b.ops, b.meter, b.router(), channels,
                                        defaultCodes(b.part.bits));
            run.runToEnd();
            QVERIFY(!run.failure() && !run.cancelled());
            for (const int channel : channels) {
                const measure::DacTransfer t = measure::channelTransfer(b.ops, channel);
                const LinearitySummary s =
                    measure::channelLinearity(b.ops, run.readings(), channel)->linearity.summary;
                const ChannelErrors truth = b.bench.board->analog().errors(channel);
                const double span = std::ldexp(1.0, b.part.bits);
                const QByteArray where = b.where(channel).toLatin1();
                QVERIFY2(s.problem.empty(), where);
                QVERIFY2(std::fabs(s.gainErrorPercent / 100 - truth.gain) * span < 4, where);
                QVERIFY2(std::fabs(s.offsetErrorVolts - truth.offsetVolts) < 4 * std::fabs(t.lsb),
                         where);
                QVERIFY2(s.maxEndPointInl <= 4 && s.minDnl > -0.6 && s.maxDnl < 0.6, where);
                QVERIFY2(s.monotonic, where);
            }
        }
    }
};

QTEST_MAIN(MeasuringTest)
#include "measuring_test.moc"
