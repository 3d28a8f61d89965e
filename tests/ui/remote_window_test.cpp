// Remote commands on the real window over the simulated board: each family
// does what the operator's clicks on a twin window do; the window's
// read-backs; boxes withheld during a command make it -200.
#include <QtTest>

#include "remote_harness.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

class RemoteWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion("1.05"); }

    // A command bound to the wrong control, entry or order differs from the
    // clicks: one row per part family and input layout, every family once.
    void commandsDoWhatTheOperatorsClicksDo_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("setup");     // steps, separated by ';'
        QTest::addColumn<QString>("commands");  // lines, separated by '|'
        QTest::addColumn<QString>("clicks");
        QTest::newRow("KT4412 channels 4-7, registers, monitor")
            << 2 << ""
            << "chan 5|DAC5:M #HFFFE;C #h1f|DAC7:X1B 4660|dac7:x1a 1|DAC5:MUX B|MON ON|"
               "MON:SOUR \"DAC 7\""
            << "click chkDAC_9;type txtInput_0 FFFE;click cmdM;type txtInput_0 1F;click cmdC;"
               "click chkDAC_11;click optAB_1;type txtInput_0 1234;click cmdX1A;click optAB_0;"
               "type txtInput_0 1;click cmdX1A;click chkDAC_9;click DACoptMux2_1;"
               "pick cboDisable 1;pick cboMonChannel 9";
        QTest::newRow("KT4410 B chosen already, channel chosen again, GPIO")
            << 0 << "click optAB_1"
            << "DAC15:X1B 65535|CHANnel 15|GPIO:MODE HIGH|GPIO:MODE INP|GPIO:MODE low"
            << "click chkDAC_15;type txtInput_0 FFFF;click cmdX1A;click chkDAC_15;"
               "click chkGPIO_2;click chkGPIO_0;click chkGPIO_1";
        QTest::newRow("KT4411 monitor list, offset 1")
            << 1 << ""
            << "MON ON|MON:SOUR \"DAC 5\"|MON:SOUR \"Mon_In0\"|MONitor:SOURce \"mon_in1\"|"
               "MON:STAT OFF|OFFSet1 100"
            << "pick cboDisable 1;pick cboMonChannel 7;pick cboMonChannel 0;"
               "pick cboMonChannel 1;pick cboDisable 0;type txtOffsetValue_1 0064;"
               "click cmdOFFSET_1";
        QTest::newRow("KT4420 multiplexer group, offset 2, word, lines, *RST")
            << 4 << ""
            << "DAC32:MUX B|DAC39:MUX B|DAC33:MUX B|DAC33:MUX A|CHAN 3|CHAN 33|OFFS2 #H1555|"
               "WORD #HC81234|LINE:RES HIGH|LINE:RESet LOW|LINE:CLR HIGH|line:clr low|"
               "LINE:LDAC HIGH|LINE:LDAC LOW|DAC7:X1B 5|*RST"
            << "click chkDAC_32;click DACoptMux2_1;click chkDAC_39;click DACoptMux2_1;"
               "click chkDAC_33;click DACoptMux2_1;click DACoptMux2_0;click chkDAC_3;"
               "click chkDAC_33;type txtOffsetValue_2 1555;click cmdOFFSET_2;"
               "type txtDirectLoad_0 C81234;click cmdDirectLoad;click cmdRESET_0;"
               "click cmdRESET_1;click cmdRESET_2;click cmdRESET_3;click cmdRESET_4;"
               "click cmdRESET_5;click chkDAC_7;click optAB_1;type txtInput_0 5;click cmdX1A;"
               "click mnuPulseReset";
        QTest::newRow("KT4421 reference and LDAC with the voltage table open, reload")
            << 5 << "tab 3"
            << "VREF1 \"2.50 V\"|DAC9:X1A 16383;:PULS:LDAC|DAC3:MUX B|DAC3:X1B 100|PULS:LDAC|"
               "DAC1:MUX A|PULSe:RESet|BOARD:REL"
            << "type txtVREF_1 2.50 V;enter txtVREF_1;click chkDAC_9;type txtInput_0 3FFF;"
               "click cmdX1A;click cmdLDAC;click chkDAC_3;click DACoptMux2_1;click optAB_1;"
               "type txtInput_0 64;click cmdX1A;click cmdLDAC;click chkDAC_1;click DACoptMux2_0;"
               "click mnuPulseReset;menu mnuReload;tab 0;tab 3";
        QTest::newRow("KT4422 active input row and word box")
            << 6 << "click InputSel_3;click optTxtSelect_2"
            << "DAC2:C 100|WORD 5"
            << "click chkDAC_2;type txtInput_3 64;click cmdC;type txtDirectLoad_2 000005;"
               "click cmdDirectLoad";
    }
    void commandsDoWhatTheOperatorsClicksDo() {
        QFETCH(int, part);
        QFETCH(QString, setup);
        QFETCH(QString, commands);
        QFETCH(QString, clicks);
        RemoteBench remote(part);
        Bench twin(part, true);
        for (Bench* bench : {&remote.bench, &twin}) {
            bench->run(setup.split(';', Qt::SkipEmptyParts));
            bench->usb.clear();
        }
        for (const QString& line : commands.split('|')) QCOMPARE(remote.send(line), QString());
        twin.run(clicks.split(';'));
        QVERIFY(remote.bench.usb.requests == twin.usb.requests);
        QCOMPARE(picture(remote.bench), picture(twin));
        QVERIFY(remote.bench.prompt.messages.empty());
        QCOMPARE(remote.nextError(), 0);
    }

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
