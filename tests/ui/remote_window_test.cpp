// Remote commands on the real main window over the simulated board: each
// command family against the operator's clicks on a twin window (same
// requests in the same order, same display, same model), queries, and
// refusals that send nothing and open no box.
#include <QtTest>

#include "remote_harness.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

void addComparisonColumns() {
    QTest::addColumn<int>("part");
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QStringList>("clicks");
}

// The setup on both windows, then the commands on one and the clicks on its twin.
void compareWithOperator() {
    QFETCH(int, part);
    QFETCH(QStringList, setup);
    QFETCH(QStringList, commands);
    QFETCH(QStringList, clicks);
    RemoteBench remote(part);
    Bench twin(part, true);
    remote.bench.run(setup);
    twin.run(setup);
    remote.bench.usb.clear();
    twin.usb.clear();
    const QStringList before = picture(twin);

    for (const QString& line : commands) QCOMPARE(remote.send(line), QString());
    twin.run(clicks);

    QVERIFY(!twin.usb.requests.empty() || picture(twin) != before);
    QVERIFY(remote.bench.usb.requests == twin.usb.requests);
    QCOMPARE(picture(remote.bench), picture(twin));
    QVERIFY(remote.bench.prompt.messages.empty());
    QCOMPARE(remote.nextError(), 0);
}

}  // namespace

class RemoteWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion("1.05"); }

    void channels_data() {
        addComparisonColumns();
        QTest::newRow("KT4412 5 is the button DAC5")
            << 2 << QStringList{} << QStringList{"chan 5"} << QStringList{"click chkDAC_9"};
        QTest::newRow("KT4410 15, chosen again")
            << 0 << QStringList{} << QStringList{"CHANnel 15", "CHANNEL 15"}
            << QStringList{"click chkDAC_15", "click chkDAC_15"};
        QTest::newRow("multiplexer follows the channel")
            << 4 << QStringList{} << QStringList{"DAC10:MUX B", "CHAN 3", "CHAN 10"}
            << QStringList{"click chkDAC_10", "click DACoptMux2_1", "click chkDAC_3",
                           "click chkDAC_10"};
    }
    void channels() { compareWithOperator(); }

    void registerWrites_data() {
        addComparisonColumns();
        QTest::newRow("KT4420 X1B then X1A")
            << 4 << QStringList{} << QStringList{"DAC5:X1B 4660", "dac5:x1a 1"}
            << QStringList{"click chkDAC_5", "click optAB_1", "type txtInput_0 1234",
                           "click cmdX1A",   "click optAB_0", "type txtInput_0 1",
                           "click cmdX1A"};
        QTest::newRow("KT4412 DAC5 M and C on one line")
            << 2 << QStringList{} << QStringList{"DAC5:M #HFFFE;C #h1f"}
            << QStringList{"click chkDAC_9", "type txtInput_0 FFFE", "click cmdM",
                           "type txtInput_0 1F", "click cmdC"};
        QTest::newRow("KT4413 M 14-bit")
            << 3 << QStringList{} << QStringList{"DAC7:M 16383"}
            << QStringList{"click chkDAC_11", "type txtInput_0 3FFF", "click cmdM"};
        QTest::newRow("KT4422 into the active row")
            << 6 << QStringList{"click InputSel_3"} << QStringList{"DAC2:C 100"}
            << QStringList{"click chkDAC_2", "type txtInput_3 64", "click cmdC"};
        QTest::newRow("KT4410 B already chosen")
            << 0 << QStringList{"click optAB_1"} << QStringList{"DAC15:X1B 65535"}
            << QStringList{"click chkDAC_15", "type txtInput_0 FFFF", "click cmdX1A"};
    }
    void registerWrites() { compareWithOperator(); }

    void multiplexer_data() {
        addComparisonColumns();
        QTest::newRow("KT4420 group 4")
            << 4 << QStringList{}
            << QStringList{"DAC32:MUX B", "DAC39:MUX B", "DAC33:MUX B", "DAC33:MUX A"}
            << QStringList{"click chkDAC_32",    "click DACoptMux2_1", "click chkDAC_39",
                           "click DACoptMux2_1", "click chkDAC_33",    "click DACoptMux2_1",
                           "click DACoptMux2_0"};
        QTest::newRow("chosen source again sends again")
            << 5 << QStringList{} << QStringList{"DAC1:MUX A"}
            << QStringList{"click chkDAC_1", "click DACoptMux2_0"};
    }
    void multiplexer() { compareWithOperator(); }

    void offsetsAndReferences_data() {
        addComparisonColumns();
        QTest::newRow("KT4420 offset 2")
            << 4 << QStringList{} << QStringList{"OFFS2 #H1555"}
            << QStringList{"type txtOffsetValue_2 1555", "click cmdOFFSET_2"};
        QTest::newRow("KT4411 offset 1")
            << 1 << QStringList{} << QStringList{"OFFSet1 100"}
            << QStringList{"type txtOffsetValue_1 0064", "click cmdOFFSET_1"};
        QTest::newRow("KT4421 reference, open voltage table follows")
            << 5 << QStringList{"tab 3"}
            << QStringList{"VREF1 \"2.50 V\"", "DAC9:X1A 16383;:PULS:LDAC"}
            << QStringList{"type txtVREF_1 2.50 V",
                           "enter txtVREF_1",
                           "click chkDAC_9",
                           "type txtInput_0 3FFF",
                           "click cmdX1A",
                           "click cmdLDAC",
                           "tab 0",
                           "tab 3"};
    }
    void offsetsAndReferences() { compareWithOperator(); }

    void wordsLinesAndPulses_data() {
        addComparisonColumns();
        QTest::newRow("WORD") << 4 << QStringList{} << QStringList{"WORD #HC81234"}
                              << QStringList{"type txtDirectLoad_0 C81234", "click cmdDirectLoad"};
        QTest::newRow("WORD into the chosen box")
            << 7 << QStringList{"click optTxtSelect_2"} << QStringList{"WORD 5"}
            << QStringList{"type txtDirectLoad_2 000005", "click cmdDirectLoad"};
        QTest::newRow("line levels")
            << 6 << QStringList{} << QStringList{"LINE:RES HIGH", "LINE:RESet LOW", "LINE:CLR HIGH",
                                                 "line:clr low",  "LINE:LDAC HIGH", "LINE:LDAC LOW"}
            << QStringList{"click cmdRESET_0", "click cmdRESET_1", "click cmdRESET_2",
                           "click cmdRESET_3", "click cmdRESET_4", "click cmdRESET_5"};
        QTest::newRow("LDAC from X2B")
            << 5 << QStringList{} << QStringList{"DAC3:MUX B", "DAC3:X1B 100", "PULS:LDAC"}
            << QStringList{"click chkDAC_3",     "click DACoptMux2_1", "click optAB_1",
                           "type txtInput_0 64", "click cmdX1A",       "click cmdLDAC"};
        QTest::newRow("*RST and PULSe:RESet")
            << 4 << QStringList{} << QStringList{"DAC7:X1B 5", "*RST", "DAC1:X1A 7", "PULSe:RESet"}
            << QStringList{"click chkDAC_7",    "click optAB_1",       "type txtInput_0 5",
                           "click cmdX1A",      "click mnuPulseReset", "click chkDAC_1",
                           "type txtInput_0 7", "click cmdX1A",        "click mnuPulseReset"};
        QTest::newRow("BOARD:RELoad")
            << 5 << QStringList{} << QStringList{"DAC2:X1A 9", "BOARD:REL"}
            << QStringList{"click chkDAC_2", "type txtInput_0 9", "click cmdX1A", "menu mnuReload"};
    }
    void wordsLinesAndPulses() { compareWithOperator(); }

    void monitorAndGpio_data() {
        addComparisonColumns();
        QTest::newRow("KT4411 monitor")
            << 1 << QStringList{}
            << QStringList{"MON ON", "MON:SOUR \"DAC 5\"", "MON:SOUR \"Mon_In0\"",
                           "MONitor:SOURce \"mon_in1\"", "MON:STAT OFF"}
            << QStringList{"pick cboDisable 1", "pick cboMonChannel 7", "pick cboMonChannel 0",
                           "pick cboMonChannel 1", "pick cboDisable 0"};
        QTest::newRow("KT4412 DAC 7")
            << 2 << QStringList{} << QStringList{"MON ON", "MON:SOUR \"DAC 7\""}
            << QStringList{"pick cboDisable 1", "pick cboMonChannel 9"};
        QTest::newRow("KT4410 GPIO")
            << 0 << QStringList{} << QStringList{"GPIO:MODE HIGH", "GPIO:MODE INP", "GPIO:MODE low"}
            << QStringList{"click chkGPIO_2", "click chkGPIO_0", "click chkGPIO_1"};
    }
    void monitorAndGpio() { compareWithOperator(); }

    void queries_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("answer");
        QTest::newRow("*IDN?") << 5 << QStringList{} << "*IDN?"
                               << "kteval,KT4421,SIMULATED,1.05";
        QTest::newRow("KT4412 CHAN?") << 2 << QStringList{"CHAN 6"} << "CHAN?"
                                      << "6";
        QTest::newRow("KT4420 start values")
            << 4 << QStringList{} << "DAC3:X1A?;X1B?;M?;C?;X2A?;X2B?;REG?"
            << "21844;21844;65535;32768;21844;21844;21844";
        QTest::newRow("after a write") << 4 << QStringList{"DAC3:X1A 100"} << "DAC3:X1A?;X2A?"
                                       << "100;100";
        QTest::newRow("MUX?") << 4 << QStringList{"DAC3:MUX B"} << "DAC3:MUX?;:DAC4:MUX?"
                              << "B;A";
        QTest::newRow("KT4421 full scale")
            << 5 << QStringList{"DAC0:X1A #H3FFF", "PULS:LDAC"} << "DAC0:VOLT?"
            << "7.9995";
        QTest::newRow("KT4412 DAC5 is index 9")
            << 2 << QStringList{"DAC5:X1A 0", "PULS:LDAC"} << "DAC5:VOLT?"
            << "-10.0000";
        QTest::newRow("OFFS?") << 1 << QStringList{"OFFS1 100"} << "OFFS1?;OFFS0?"
                               << "100;8192";
        QTest::newRow("VREF?") << 6 << QStringList{"VREF0 \"2.50 V\""} << "VREF0?;VREF1?"
                               << "2.5;3";
        QTest::newRow("GPIO? high") << 0 << QStringList{"GPIO:MODE HIGH"} << "GPIO:MODE?;GPIO?"
                                    << "HIGH;HIGH";
        QTest::newRow("KT4411 monitor read-back")
            << 1 << QStringList{"MON ON", "MON:SOUR \"DAC 5\"", "GPIO:MODE LOW"}
            << "MON?;MON:SOUR?;GPIO:MODE?"
            << "ON;\"DAC 5\";LOW";
        QTest::newRow("KT4412 read-back at start")
            << 2 << QStringList{} << "MON?;:MON:SOUR?;:GPIO:MODE?"
            << "OFF;\"DAC 0\";INP";
        QTest::newRow("*TST?") << 6 << QStringList{} << "*TST?"
                               << "0";
    }
    void queries() {
        QFETCH(int, part);
        QFETCH(QStringList, setup);
        QFETCH(QString, query);
        QFETCH(QString, answer);
        RemoteBench remote(part);
        for (const QString& line : setup) remote.send(line);
        QCOMPARE(remote.nextError(), 0);
        remote.bench.usb.clear();
        const QStringList before = picture(remote.bench);
        QCOMPARE(remote.send(query), answer);
        // Only "GPIO?" reads the board, as "Read" does; the self-test sends one
        // Read request alone, which shows nowhere; other queries send nothing.
        if (query.endsWith("GPIO?")) {
            QCOMPARE(remote.bench.usb.words(), std::vector<int32_t>{0x058580});
            QCOMPARE(remote.bench.label("lblGPIOinput")->text(), "=" + answer.section(';', -1));
        } else if (query == "*TST?") {
            QVERIFY((remote.bench.usb.requests == std::vector<Request>{{221, 0, 0, 1, 3}}));
            QCOMPARE(picture(remote.bench), before);
        } else {
            QVERIFY(remote.bench.usb.requests.empty());
            QCOMPARE(picture(remote.bench), before);
        }
        QCOMPARE(remote.nextError(), 0);
    }

    void refusals_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("error");
        QTest::newRow("bad hex digit") << 5 << "DAC0:X1A #HFG" << -102;
        QTest::newRow("KT4421 X above 14 bits") << 5 << "DAC0:X1A 16384" << -222;
        QTest::newRow("list disabled while the monitor is off")
            << 0 << "MON:SOUR \"DAC 1\"" << -200;
    }
    void refusals() {
        QFETCH(int, part);
        QFETCH(QString, line);
        QFETCH(int, error);
        RemoteBench remote(part);
        remote.bench.usb.clear();
        const QStringList before = picture(remote.bench);
        QCOMPARE(remote.send(line), QString());
        QCOMPARE(remote.nextError(), error);
        QCOMPARE(remote.nextError(), 0);
        QVERIFY(remote.bench.usb.requests.empty());
        QVERIFY(remote.bench.prompt.messages.empty());
        QCOMPARE(picture(remote.bench), before);
    }

    // A box the window would open during a remote command is withheld and the
    // command refused; afterwards the operator gets boxes again.
    void heldPromptWithholdsBoxes() {
        RemoteBench remote(5);
        remote.bench.typeInput(0, "zz");
        remote.bench.usb.clear();
        GuardedPrompt& prompt = remote.bench.window.prompt();
        prompt.hold();
        remote.bench.button("cmdX1A")->click();
        remote.bench.window.mnuVersion_Click();
        QCOMPARE(prompt.release(), 2);
        QVERIFY(remote.bench.prompt.messages.empty());
        QVERIFY(remote.bench.usb.requests.empty());
        remote.bench.button("cmdX1A")->click();
        QCOMPARE(remote.bench.prompt.messages.size(), std::size_t{1});
    }

    // Without a board the reload's "No Evaluation Board Found" box becomes an
    // error; the reload's requests go out as the menu entry's do.
    void reloadWithoutBoardIsAnError() {
        Bench bench(5);
        WindowOperations operations(bench.window, false);
        remote::Interpreter interpreter(operations);
        bench.usb.loadResult = -1;
        bench.usb.clear();
        QVERIFY(!interpreter.executeLine("BOARD:RELoad"));
        QCOMPARE(interpreter.executeLine("SYST:ERR?"),
                 std::optional<std::string>("-200,\"Execution error;BOARD:RELoad\""));
        QVERIFY(bench.prompt.messages.empty());
        std::vector<int16_t> sent;
        for (const Request& r : bench.usb.requests) sent.push_back(r.request);
        QCOMPARE(sent, (std::vector<int16_t>{224, 219, 218}));
        QCOMPARE(interpreter.executeLine("*IDN?"),
                 std::optional<std::string>("kteval,KT4421,USB,1.05"));
    }
};

QTEST_MAIN(RemoteWindowTest)
#include "remote_window_test.moc"
