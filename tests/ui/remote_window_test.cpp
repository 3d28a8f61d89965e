// Remote commands on the real window over the simulated board.
#include <QtTest>

#include "harness.h"
#include "interpreter.h"
#include "random_operator.h"
#include "session_recorder.h"
#include "setup_session.h"
#include "test_seed.h"
#include "window_operations.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

// A window over the simulated board, taking command lines.
struct RemoteBench {
    explicit RemoteBench(int partIndex) : bench(partIndex, true) {}
    QString send(const QString& line) {
        return QString::fromStdString(interpreter.executeLine(line.toStdString()).value_or(""));
    }
    int nextError() { return send("SYST:ERR?").section(',', 0, 0).toInt(); }

    Bench bench;
    WindowOperations operations{bench.window, true};
    remote::Interpreter interpreter{operations};
};

// RandomOperator's steps, and references, level buttons, raw words, reloads.
QString operatorStep(RandomOperator& op, QWidget& window, const PartInfo& part) {
    switch (op.pick(14)) {
        case 0: {
            const QString k = op.number(op.pick(part.thirdReference ? 3 : 2));
            const char* texts[] = {"2.5", "-1.25", "3.3V", "abc", "1e1", "0.1234567", "4.096 V"};
            return "type txtVREF_" + k + " " + texts[op.pick(7)] +
                   (op.pick(2) ? "" : ";enter txtVREF_" + k);
        }
        case 1:
            return "click cmdRESET_" + op.number(op.pick(6));
        case 2: {
            const QString box = op.number(op.pick(5));
            return "click optTxtSelect_" + box + ";type txtDirectLoad_" + box + " " +
                   op.randomText() + ";click cmdDirectLoad";
        }
        case 3:
            return op.pick(8) == 0 ? "menu mnuReload" : "click cmdLDAC";
        default: {
            // Most resets are drawn again, so that the state grows.
            QString step = op.step(window);
            while (step.contains(QRegularExpression("mnuPulseReset|Command[15]")) && op.pick(5))
                step = op.step(window);
            return step;
        }
    }
}

// Commands the operator has no control for: volts and the A/B option alone.
QString clientCommand(RandomOperator& op, const PartInfo& part) {
    const int n = channelNumberOfIndex(&part, op.channels()[op.pick(int(op.channels().size()))]);
    const QString ab = op.pick(2) ? "A" : "B";
    const QString commands[] = {
        QStringLiteral("DAC%1:VOLT %2").arg(n).arg((op.pick(2401) - 1200) / 100.0),
        QStringLiteral("DAC%1:MUX %2;:PULS:LDAC").arg(n).arg(ab), "INP " + ab};
    return commands[op.pick(3)];
}

// What every query answers, and the monitor and GPIO state.
QString stateOf(RemoteBench& remote, const PartInfo& part) {
    QString line = "CHAN?;INP?;*LRN?;LINE:RES?;CLR?;LDAC?";
    for (int k = 0; k < (part.thirdReference ? 3 : 2); ++k)
        line += QStringLiteral(";OFFS%1?;VREF%1?").arg(k);
    for (int n = 0; n < part.channels; ++n)
        line += QStringLiteral(";:DAC%1:X1A?;X1B?;M?;C?;X2A?;X2B?;REG?;MUX?;VOLT?;VOLT:RANG?;STEP?")
                    .arg(n);
    return remote.send(line) + QStringLiteral(" monitor %1 gpio %2")
                                   .arg(remote.bench.model().MonitorState)
                                   .arg(int(remote.operations.gpioMode()));
}

}  // namespace

class RemoteWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion("1.05"); }

    // Random sessions (KTEVAL_SEED): catches *LRN? not replaying, an action
    // recorded wrongly, and a command not doing what the clicks do.
    void sessionsReplay() {
        for (int part = 0; part < kPartCount; ++part) {
            const PartInfo& info = partByIndex(part);
            const uint64_t seed = kteval::test::testSeed() + uint64_t(part);
            for (int session = 0; session < 4; ++session) {
                QTemporaryDir dir;
                const std::string path = dir.filePath("session.txt").toStdString();
                std::ostringstream recorderErrors;
                remote::SessionRecorder recorder(recorderErrors);
                std::string error;
                QVERIFY(recorder.open(path, error));
                recorder.begin(info, "1.05");
                RemoteBench original(part), fresh(part), replayed(part);
                original.bench.window.setActionListener(&recorder);
                original.bench.usb.clear();
                replayed.bench.usb.clear();
                RandomOperator op(info, seed * 31 + uint64_t(session));
                QStringList history;
                for (int action = 0; action < 150; ++action) {
                    const bool client = op.pick(4) == 0;
                    history << (client ? clientCommand(op, info)
                                       : operatorStep(op, original.bench.window, info));
                    client ? void(original.send(history.back()))
                           : original.bench.run(history.back().split(';'));
                }
                const QString learned = original.send("*LRN?");
                fresh.send(learned);
                const QString where = QString::fromStdString(kteval::test::seedNote(seed)) +
                                      "\nsession: " + history.join(" | ") + "\n*LRN?: " + learned;
                QVERIFY2(fresh.nextError() == 0, qPrintable(where));
                QVERIFY2(stateOf(fresh, info) == stateOf(original, info), qPrintable(where));
                original.bench.window.close();  // tells a reference still being typed
                const auto lines = remote::readSetupFile(path, error);
                QVERIFY2(
                    lines && applySetup(replayed.bench.window, replayed.operations, path, *lines),
                    qPrintable(where));
                QVERIFY2(replayed.bench.usb.requests == original.bench.usb.requests,
                         qPrintable(where));
                const QString references =
                    info.thirdReference ? "VREF0?;VREF1?;VREF2?" : "VREF0?;VREF1?";
                QCOMPARE(replayed.send(references), original.send(references));
                QCOMPARE(replayed.bench.usb.loads.size(), original.bench.usb.loads.size());
                QVERIFY(recorderErrors.str().empty());
            }
        }
    }

    // Catches a setup that half-applies when a line fails its check, or goes
    // on after a line refused at run time, or a message that hides either.
    void refusedLineStopsSetup() {
        const struct {
            const char* content;
            std::vector<int32_t> words;
            QString message;  // after the path
        } rows[] = {
            {"# offset first\n\nOFFS1 #H100  # comment\r\n  DAC3:X1A 16384\nOFFS0 5\n",
             {},
             ", line 4: DAC3:X1A 16384: -222,\"Data out of range;DAC3:X1A above 16383\"; "
             "nothing was sent"},
            {"PART KT4420\nOFFS1 #H100\n",
             {},
             ", line 1: PART KT4420: -221,\"Settings conflict;PART running KT4421\"; nothing "
             "was sent"},
            {"OFFS1 #H100\nDAC3:VOLT 1 kV\nOFFS0 5\n",
             {},
             ", line 2: DAC3:VOLT 1 kV: -104,"
             "\"Data type error;DAC3:VOLT\"; nothing was sent"},
            {"OFFS1 #H100\nDAC3:VOLT 1000 mV;VOLT 9\nOFFS0 5\n",
             {0x030100, 0xCB6AA8},
             ", line 2: DAC3:VOLT 1000 mV;VOLT 9: -222,\"Data out of range;DAC3:VOLT reachable "
             "-3.999755859375 to 7.99951171875 V\"; 1 of 3 lines were applied"},
            {"DAC3:VOLT:LIM:UPP 5\nOFFS1 #H100\nDAC3:X1A 16383\n",
             {0x030100},
             ", line 3: DAC3:X1A 16383: -221,\"Settings conflict;DAC3:X1A DAC3 would reach "
             "7.9995 V, above its upper limit 5.0000 V\"; 2 of 3 lines were applied"},
        };
        for (const auto& row : rows) {
            QTemporaryDir dir;
            const QString path = dir.filePath("setup.txt");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(row.content));
            file.close();
            std::string error;
            const auto lines = remote::readSetupFile(path.toStdString(), error);
            QVERIFY(lines.has_value());
            RemoteBench bench(5);
            bench.bench.usb.clear();
            QVERIFY(!applySetup(bench.bench.window, bench.operations, path.toStdString(), *lines));
            QCOMPARE(bench.bench.usb.words(), row.words);
            QCOMPARE(bench.bench.prompt.messages.size(), std::size_t{1});
            QCOMPARE(bench.bench.prompt.messages[0].text, path + row.message);
        }
        std::string error;
        QVERIFY(!remote::readSetupFile("/nonexistent/setup", error));
    }

    // Every path that moves an output, with DAC5 held to -1 V ... 5 V: catches
    // a path that is not checked, checked on the wrong output, or that sends
    // before it refuses. Without the limits each action goes through.
    void limitsHoldEveryPath() {
        const QString state = "DAC5:VOLT?;X1A?;X1B?;M?;C?;X2A?;X2B?;REG?;:OFFS0?;VREF0?";
        const QString x12000 = "DAC5:X1A 12000", loaded = "DAC5:X1A 12000;:PULS:LDAC";
        const struct {
            QString before;  // run before the limits are set
            QString action;  // a command line, or the operator's steps after "operate "
        } rows[] = {
            {"", "DAC5:X1A 16383"},
            {"DAC5:MUX B", "DAC5:X1B 16383"},
            {x12000, "DAC5:M 0"},
            {x12000, "DAC5:C 9000"},
            {"", "DAC5:VOLT 6"},
            {"DAC5:X1A 16383", "PULS:LDAC"},
            {loaded, "OFFS0 0"},
            {loaded, "VREF0 4"},
            {"CHAN 5", "operate type txtInput_0 3FFF;click cmdX1A"},
            {x12000, "operate type txtInput_0 0;click cmdM"},
            {x12000, "operate type txtInput_0 2328;click cmdC"},
            {loaded, "operate type txtOffsetValue_0 0;click cmdOFFSET_0"},
            {loaded, "operate type txtVREF_0 4;enter txtVREF_0"},
            {"DAC5:X1A 16383", "operate click cmdLDAC"},
        };
        for (const auto& row : rows) {
            for (const bool limited : {true, false}) {
                RemoteBench remote(5);
                remote.send(row.before);
                if (limited) remote.send("DAC5:VOLT:LIM:LOW -1;UPP 5");
                const QString was = remote.send(state);
                remote.bench.usb.clear();
                if (row.action.startsWith("operate ")) {
                    remote.bench.run(row.action.mid(8).split(';'));
                } else {
                    remote.send(row.action);
                }
                const bool operatorRow = row.action.startsWith("operate ");
                const auto& boxes = remote.bench.prompt.messages;
                const QString refusal = !boxes.empty() ? boxes[0].title
                                        : operatorRow  ? QString()
                                                       : QString::number(remote.nextError());
                QCOMPARE(refusal,
                         limited ? (operatorRow ? "Limit" : "-221") : (operatorRow ? "" : "0"));
                QCOMPARE(remote.send(state) == was, limited);
                QCOMPARE(remote.bench.usb.requests.empty(), limited || row.action.contains("VREF"));
            }
        }
        RemoteBench remote(5);
        remote.send("DAC5:VOLT:LIM:UPP 5");
        remote.bench.run({"click chkDAC_5", "type txtInput_0 3FFF", "click cmdX1A"});
        QCOMPARE(remote.bench.prompt.messages.at(0).text,
                 "DAC5 would reach 7.9995 V, above its upper limit 5.0000 V");
    }

    // Catches *LRN? losing a limit, or setting it where the steps that
    // restore the registers would be refused by it; and a recording missing it.
    void limitsLearnedAndRecorded() {
        struct Lines : remote::ActionListener {
            void actionSent(const remote::SentAction& action) override {
                lines << QString::fromStdString(remote::commandLine(action, partByIndex(5)));
            }
            QStringList lines;
        } recording;
        RemoteBench original(5), fresh(5);
        original.bench.window.setActionListener(&recording);
        original.send("DAC5:X1A 12000;:PULS:LDAC;:DAC5:M 9000;C 7000;X1B 100");
        original.send("DAC5:VOLT:LIM:LOW 4;UPP 5;:DAC7:VOLT:LIM:UPP 1E-3");
        QCOMPARE(
            recording.lines.mid(recording.lines.size() - 3),
            QStringList({"DAC5:VOLT:LIM:LOW 4", "DAC5:VOLT:LIM:UPP 5", "DAC7:VOLT:LIM:UPP 0.001"}));
        const QString learned = original.send("*LRN?");
        fresh.send(learned);
        QCOMPARE(fresh.nextError(), 0);
        const QString state = "*LRN?;:DAC5:VOLT:LIM:LOW?;UPP?;:DAC7:VOLT:LIM:LOW?;UPP?";
        QCOMPARE(fresh.send(state), original.send(state));
    }

    // Catches a query reading the wrong control, or reaching the board.
    void queriesReadTheWindow() {
        RemoteBench monitor(2), references(6);
        monitor.send("DAC5:X1A 0;:PULS:LDAC;:MON ON;MON:SOUR \"DAC 5\";:GPIO:MODE HIGH");
        const QString offset0 = references.send("OFFS0?;VREF0 \"2.50 V\";:OFFS1 100");
        monitor.bench.usb.clear();
        references.bench.usb.clear();
        QCOMPARE(monitor.send("DAC5:VOLT?;:MON:SOUR?;:GPIO:MODE?;:GPIO?"),
                 "-10.0000;\"DAC 5\";HIGH;HIGH");
        QCOMPARE(monitor.bench.usb.words(), std::vector<int32_t>{0x058580});
        QCOMPARE(monitor.bench.label("lblGPIOinput")->text(), "=HIGH");
        QCOMPARE(references.send("VREF0?;VREF1?;OFFS1?;OFFS0?;*TST?"),
                 "2.5;3;100;" + offset0 + ";0");
        QVERIFY((references.bench.usb.requests == std::vector<Request>{{221, 0, 0, 1, 3}}));
        QCOMPARE(monitor.nextError() + references.nextError(), 0);
    }

    // Catches a command with a withheld box answering success.
    void withheldBoxesRefuseTheCommand() {
        Bench bench(5);
        WindowOperations operations(bench.window, false);
        remote::Interpreter interpreter(operations);
        bench.usb.loadResult = -1;
        bench.usb.clear();
        QVERIFY(!interpreter.executeLine("BOARD:RELoad"));
        QCOMPARE(interpreter.executeLine("SYST:ERR?;*IDN?").value_or(""),
                 "-200,\"Execution error;BOARD:RELoad\";kteval,KT4421,USB,1.05");
        std::vector<int16_t> sent;
        for (const Request& r : bench.usb.requests) sent.push_back(r.request);
        QCOMPARE(sent, (std::vector<int16_t>{224, 219, 218}));
        bench.typeInput(0, "zz");
        bench.prompt.messages.clear();
        bench.window.prompt().hold();
        bench.button("cmdX1A")->click();
        bench.window.mnuVersion_Click();
        QCOMPARE(bench.window.prompt().release(), 2);
        QVERIFY(bench.prompt.messages.empty());
        bench.button("cmdX1A")->click();
        QCOMPARE(bench.prompt.messages.size(), std::size_t{1});
    }
};

QTEST_MAIN(RemoteWindowTest)
#include "remote_window_test.moc"
