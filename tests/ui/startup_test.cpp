// Start-up, part setup, Init, Reload USB, Version, the voltage table and the
// credits sequence of the main window.
#include <QtTest>

#include "harness.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void startUpPerPart_data();
    void startUpPerPart();
    void eightChannelCaptions();
    void noPartChosen();
    void failedLoadReportsOnceThenStarts();
    void initRestoresStartStateWithoutWords();
    void reloadUsbSequence();
    void versionBox();
    void closingUnloadsEveryWindow_data();
    void closingUnloadsEveryWindow();
    void voltageTable_data();
    void voltageTable();
    void referenceEnterRewritesTextOnly();
    void creditsSequence_data();
    void creditsSequence();
};

void StartupTest::startUpPerPart_data() {
    QTest::addColumn<int>("part");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("channelButtons");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("gain");
    QTest::addColumn<int>("monitorEntries");
    QTest::addColumn<QString>("tab1");
    QTest::addColumn<int>("voltageLabels");
    QTest::addColumn<bool>("thirdReference");
    const QString offsetMonitor = QStringLiteral("Offset DACs && Monitor Functions");
    // clang-format off
    QTest::newRow("KT4410") << 0 << "KT4410 Evaluation Software - 16 x 16-Bit Channels" << 16 << "8000" << "FFFF"
                            << 18 << offsetMonitor << 16 << false;
    QTest::newRow("KT4411") << 1 << "KT4411 Evaluation Software - 16 x 14-Bit Channels" << 16 << "2000" << "3FFF"
                            << 18 << offsetMonitor << 16 << false;
    QTest::newRow("KT4412") << 2 << "KT4412 Evaluation Software - 8 x 16-Bit Channels" << 8 << "8000" << "FFFF"
                            << 10 << offsetMonitor << 8 << false;
    QTest::newRow("KT4413") << 3 << "KT4413 Evaluation Software - 8 x 14-Bit Channels" << 8 << "2000" << "3FFF"
                            << 10 << offsetMonitor << 8 << false;
    QTest::newRow("KT4420") << 4 << "KT4420 Evaluation Software - 40 x 16-Bit Channels" << 40 << "5554" << "FFFF"
                            << 2 << "Offset DACs" << 40 << true;
    QTest::newRow("KT4421") << 5 << "KT4421 Evaluation Software - 40 x 14-Bit Channels" << 40 << "1555" << "3FFF"
                            << 2 << "Offset DACs" << 40 << true;
    QTest::newRow("KT4422") << 6 << "KT4422 Evaluation Software - 32 x 16-Bit Channels" << 32 << "5554" << "FFFF"
                            << 2 << "Offset DACs" << 32 << false;
    QTest::newRow("KT4423") << 7 << "KT4423 Evaluation Software - 32 x 14-Bit Channels" << 32 << "1555" << "3FFF"
                            << 2 << "Offset DACs" << 32 << false;
    // clang-format on
}

void StartupTest::startUpPerPart() {
    QFETCH(int, part);
    Bench bench(part);
    QFETCH(QString, caption);
    QCOMPARE(bench.window.windowTitle(), caption);

    QFETCH(int, channelButtons);
    int visible = 0;
    for (int i = 0; i < 40; ++i) visible += shown(bench.option(QStringLiteral("chkDAC_%1").arg(i)));
    QCOMPARE(visible, channelButtons);

    QFETCH(QString, code);
    QFETCH(QString, gain);
    for (const char* name : {"lblXA", "lblXB", "lblX2A", "lblX2B", "DACregister"}) {
        QCOMPARE(bench.label(name)->text(), code);
    }
    QCOMPARE(bench.label("lblM")->text(), gain);
    QCOMPARE(bench.label("lblC")->text(), gain == "FFFF" ? QString("8000") : QString("2000"));

    QFETCH(int, monitorEntries);
    QComboBox* monitor = bench.combo("cboMonChannel");
    QCOMPARE(monitor->count(), monitorEntries);
    const bool monitorFamily = monitorEntries > 2;
    QCOMPARE(shown(bench.find<QGroupBox>("fraMonControls")), monitorFamily);
    QCOMPARE(shown(bench.find<QGroupBox>("fraGPIO")), monitorFamily);
    if (monitorFamily) {
        QCOMPARE(monitor->currentIndex(), 2);
        QCOMPARE(monitor->itemText(monitorEntries - 1),
                 QStringLiteral("DAC %1").arg(monitorEntries - 3));
    }
    QFETCH(QString, tab1);
    QCOMPARE(bench.find<QTabWidget>("SSTab1")->tabText(1), tab1);
    QCOMPARE(bench.find<QTabWidget>("SSTab1")->currentIndex(), 0);

    QFETCH(int, voltageLabels);
    for (int i = 0; i < 40; ++i) {
        QCOMPARE(shown(bench.label(QStringLiteral("lblvout_%1").arg(i))), i < voltageLabels);
    }
    QFETCH(bool, thirdReference);
    for (const char* name :
         {"txtVREF_2", "Label5_2", "txtOffsetValue_2", "cmdOFFSET_2", "Line8", "Label6_2"}) {
        QCOMPARE(shown(bench.find<QWidget>(name)), thirdReference);
    }

    // Nothing but the firmware load and the start request at start-up.
    QCOMPARE(bench.usb.loads.size(), size_t{1});
    QVERIFY(bench.usb.loads[0].ends_with("/KT4421SPI.hex"));
    QCOMPARE(bench.usb.requests.size(), size_t{1});
    QCOMPARE(bench.usb.requests[0], (Request{224, 0, 0, 0, 0}));
    QVERIFY(bench.prompt.messages.empty());
    QCOMPARE(bench.label("lblOutputCode")->text(), QString("000000"));
}

void StartupTest::eightChannelCaptions() {
    Bench kt4412(2);
    for (int k = 8; k <= 11; ++k) {
        QCOMPARE(kt4412.option(QStringLiteral("chkDAC_%1").arg(k))->text(),
                 QStringLiteral("DAC%1").arg(k - 4));
    }
    QVERIFY(!shown(kt4412.option("chkDAC_4")));
    Bench kt4420(4);
    QCOMPARE(kt4420.option("chkDAC_9")->text(), QString("DAC9"));
}

void StartupTest::noPartChosen() {
    Bench bench(-1);
    QVERIFY(bench.window.windowTitle().startsWith(" Evaluation Software - 0 x 0-Bit"));
    QCOMPARE(bench.model().DACs(0).M, 0);
    QCOMPARE(bench.label("lblXA")->text(), QString("0000"));
    QCOMPARE(bench.usb.loads.size(), size_t{1});  // the board is still looked for
    bench.window.mnuVersion_Click();
    QCOMPARE(bench.prompt.messages.back().title, QString(" Evaluation Board Software"));
}

void StartupTest::failedLoadReportsOnceThenStarts() {
    RecordingUsb usb;
    usb.loadResult = -5;
    RecordingPrompt prompt;
    FixedPartChooser chooser(5);
    FrmMain window(usb, prompt, chooser);
    window.Form_Load();
    QCOMPARE(prompt.messages.size(), size_t{1});
    QCOMPARE(prompt.messages[0].text, QString("No Evaluation Board Found"));
    QCOMPARE(prompt.messages[0].title, QString("KT4421: -5"));
    QCOMPARE(usb.requests.size(), size_t{1});
    QCOMPARE(usb.requests[0].request, int16_t{224});
}

void StartupTest::initRestoresStartStateWithoutWords() {
    Bench bench(4);
    bench.option("chkDAC_9")->click();
    bench.typeInput(0, "1234");
    bench.button("cmdX1A")->click();
    bench.option("optAB_1")->click();
    bench.option("InputSel_3")->click();
    bench.option("DACoptMux2_1")->click();
    QCOMPARE(bench.model().DACs(9).X1A, 0x1234);
    bench.usb.clear();

    bench.window.Init();
    QVERIFY(bench.usb.requests.empty());
    QCOMPARE(bench.model().DACs(9).X1A, 0x5554);
    QCOMPARE(bench.model().DACs(9).ABsel, 1);  // kept by the reset
    QVERIFY(bench.option("optAB_0")->isChecked());
    QVERIFY(bench.option("DACoptMux2_0")->isChecked());
    QVERIFY(bench.option("InputSel_0")->isChecked());
    QVERIFY(bench.option("chkDAC_0")->isChecked());
    QVERIFY(shown(bench.find<QWidget>("Areg")));
    QVERIFY(!shown(bench.find<QWidget>("Breg")));
    QCOMPARE(bench.window.TextSelIndex(), int16_t{0});
    QCOMPARE(bench.model().UseX1B, int16_t{0});
    QCOMPARE(bench.model().SelectedDAC, int16_t{0});
    QCOMPARE(bench.find<QGroupBox>("frmGroup")->title(), QString("Group 0 - Vout0"));
    QCOMPARE(bench.label("lblXA")->text(), QString("5554"));

    // The next write goes to X1A of channel 0, the channel the display shows.
    bench.typeInput(0, "0042");
    bench.button("cmdX1A")->click();
    QCOMPARE(bench.model().DACs(0).X1A, 0x42);
    QCOMPARE(bench.usb.words().back(), 0xC80042);
}

void StartupTest::reloadUsbSequence() {
    Bench bench(0);
    bench.usb.clear();
    bench.window.mnuReload_Click();
    QCOMPARE(bench.usb.loads.size(), size_t{1});
    QCOMPARE(bench.usb.requests.size(), size_t{3});
    QCOMPARE(bench.usb.requests[0].request, int16_t{224});
    QCOMPARE(bench.usb.requests[1].request, int16_t{219});
    QCOMPARE(bench.usb.requests[2].request, int16_t{218});
}

void StartupTest::versionBox() {
    Bench bench(3);
    bench.window.mnuVersion_Click();
    QCOMPARE(bench.prompt.messages.size(), size_t{1});
    QCOMPARE(bench.prompt.messages[0].text, QString("Version 1.05"));
    QCOMPARE(bench.prompt.messages[0].title, QString("KT4413 Evaluation Board Software"));
    QCOMPARE(bench.prompt.messages[0].icon, Prompt::Icon::Information);
}

void StartupTest::closingUnloadsEveryWindow_data() {
    QTest::addColumn<bool>("viaExit");
    QTest::newRow("close box") << false;
    QTest::newRow("Exit") << true;
}

void StartupTest::closingUnloadsEveryWindow() {
    QFETCH(bool, viaExit);
    Bench bench(5);
    bench.window.show();
    QWidget other;
    other.show();
    if (viaExit) {
        bench.window.mnuExit_Click();
    } else {
        bench.window.close();
    }
    QVERIFY(!bench.window.isVisible());
    QVERIFY(!other.isVisible());
}

void StartupTest::voltageTable_data() {
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("index");     // channel index whose DAC register is loaded
    QTest::addColumn<QString>("code");  // X1A written, then LDAC
    QTest::addColumn<int>("row");       // lblvout row
    QTest::addColumn<QString>("caption");
    QTest::newRow("KT4410 full scale") << 0 << 3 << "FFFF" << 3 << "Vout3=9.9997V";
    QTest::newRow("KT4410 zero") << 0 << 15 << "0" << 15 << "Vout15=-10.0000V";
    QTest::newRow("KT4420 full scale") << 4 << 39 << "FFFF" << 39 << "Vout39=8.0001V";
    QTest::newRow("KT4421 full scale") << 5 << 16 << "3FFF" << 16 << "Vout16=7.9995V";
    QTest::newRow("KT4412 channel 5 at index 9") << 2 << 9 << "FFFF" << 5 << "Vout5=9.9997V";
}

void StartupTest::voltageTable() {
    QFETCH(int, part);
    QFETCH(int, index);
    QFETCH(QString, code);
    QFETCH(int, row);
    QFETCH(QString, caption);
    Bench bench(part);
    bench.option(QStringLiteral("chkDAC_%1").arg(index))->click();
    bench.typeInput(0, code);
    bench.button("cmdX1A")->click();
    bench.button("cmdLDAC")->click();
    QTabWidget* tabs = bench.find<QTabWidget>("SSTab1");
    tabs->setCurrentIndex(3);
    QCOMPARE(bench.label(QStringLiteral("lblvout_%1").arg(row))->text(), caption);
    QCOMPARE(bench.label("lblvout_0")->text(), row == 0 ? caption : QString("Vout0=0.0000V"));
}

void StartupTest::referenceEnterRewritesTextOnly() {
    Bench bench(0);
    QTabWidget* tabs = bench.find<QTabWidget>("SSTab1");
    tabs->setCurrentIndex(3);
    EntryBox* vref = bench.entry("txtVREF_1");
    vref->setText("2.50V");
    emit vref->enterPressed();
    QCOMPARE(vref->text(), QString("2.5"));
    bench.entry("txtVREF_0")->setText(" 1e1 volts");  // no Enter: read by the same rule
    for (int channel : {0, 9}) {
        bench.option(QStringLiteral("chkDAC_%1").arg(channel))->click();
        bench.typeInput(0, "0");
        bench.button("cmdX1A")->click();
        bench.button("cmdLDAC")->click();
    }
    QCOMPARE(bench.label("lblvout_9")->text(), QString("Vout9=0.0000V"));  // a snapshot
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(3);
    // (0 - 4 x 0x2000) x 4 x V / 65536 = -2 x V
    QCOMPARE(bench.label("lblvout_9")->text(), QString("Vout9=-5.0000V"));
    QCOMPARE(bench.label("lblvout_0")->text(), QString("Vout0=-20.0000V"));
}

void StartupTest::creditsSequence_data() {
    QTest::addColumn<QString>("clicks");  // corner steps in order
    QTest::addColumn<int>("opened");
    QTest::addColumn<int>("secretAfter");
    QTest::newRow("1 2 3") << "123" << 1 << 0;
    QTest::newRow("1 2 3 3") << "1233" << 1 << 0;
    QTest::newRow("1 1 2 3") << "1123" << 0 << 0;
    QTest::newRow("2 first") << "2" << 0 << 0;
    QTest::newRow("3 first") << "3" << 0 << 0;
    QTest::newRow("1 2") << "12" << 0 << 2;
    QTest::newRow("twice") << "123123" << 2 << 0;
}

void StartupTest::creditsSequence() {
    QFETCH(QString, clicks);
    QFETCH(int, opened);
    QFETCH(int, secretAfter);
    Bench bench(5);
    for (QChar step : clicks) {
        emit bench.find<ClickArea>(QStringLiteral("Picture%1").arg(step))->clicked();
    }
    QCOMPARE(bench.prompt.creditsOpened, opened);
    QCOMPARE(bench.window.Secret(), int16_t(secretAfter));
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
