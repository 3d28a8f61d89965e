// Remote commands on the real window over the simulated board: the window's
// read-backs, and boxes withheld during a command make it -200. (That each
// command does what the operator's clicks do is the record-and-replay
// property of setup_replay_test.)
#include <QtTest>

#include "remote_harness.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

class RemoteWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion("1.05"); }

    // Read back from the window: a KT4412 button that is not its table index,
    // the list's entry, the pin option, the reference entry, each group's
    // offset code; only GPIO? and *TST? reach the board.
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

    // Without a board the reload's one "No Evaluation Board Found" box is
    // withheld and the command is -200, its requests those of the menu entry;
    // boxes withheld outside a command are counted and then shown again.
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
