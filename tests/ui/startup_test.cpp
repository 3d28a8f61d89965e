// Start-up, part setup, Init, Reload USB, Version, the voltage table and the
// credits sequence of the main window.
#include <QtTest>

#include "harness.h"
#include "part_rules.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void startUpPerPart_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("channels");  // channel buttons and voltage labels shown
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("gain");
        // clang-format off
        QTest::newRow("KT4410") << 0 << "KT4410 Evaluation Software - 16 x 16-Bit Channels"
                                << 16 << "8000" << "FFFF";
        QTest::newRow("KT4411") << 1 << "KT4411 Evaluation Software - 16 x 14-Bit Channels"
                                << 16 << "2000" << "3FFF";
        QTest::newRow("KT4412") << 2 << "KT4412 Evaluation Software - 8 x 16-Bit Channels"
                                << 8 << "8000" << "FFFF";
        QTest::newRow("KT4413") << 3 << "KT4413 Evaluation Software - 8 x 14-Bit Channels"
                                << 8 << "2000" << "3FFF";
        QTest::newRow("KT4420") << 4 << "KT4420 Evaluation Software - 40 x 16-Bit Channels"
                                << 40 << "5554" << "FFFF";
        QTest::newRow("KT4421") << 5 << "KT4421 Evaluation Software - 40 x 14-Bit Channels"
                                << 40 << "1555" << "3FFF";
        QTest::newRow("KT4422") << 6 << "KT4422 Evaluation Software - 32 x 16-Bit Channels"
                                << 32 << "5554" << "FFFF";
        QTest::newRow("KT4423") << 7 << "KT4423 Evaluation Software - 32 x 14-Bit Channels"
                                << 32 << "1555" << "3FFF";
        // clang-format on
    }
    void startUpPerPart() {
        QFETCH(int, part);
        QFETCH(QString, caption);
        QFETCH(int, channels);
        QFETCH(QString, code);
        QFETCH(QString, gain);
        Bench bench(part);
        QCOMPARE(bench.window.windowTitle(), caption);
        int visible = 0;
        for (int i = 0; i < 40; ++i) {
            visible += shown(bench.option(QStringLiteral("chkDAC_%1").arg(i)));
            QCOMPARE(shown(bench.label(QStringLiteral("lblvout_%1").arg(i))), i < channels);
        }
        QCOMPARE(visible, channels);
        for (const char* name : {"lblXA", "lblXB", "lblX2A", "lblX2B", "DACregister"})
            QCOMPARE(bench.label(name)->text(), code);
        QCOMPARE(bench.label("lblM")->text(), gain);
        QCOMPARE(bench.label("lblC")->text(), gain == "FFFF" ? QString("8000") : QString("2000"));

        // Which controls the part has is the part rules'; here, that the
        // window shows what they decide.
        const PartInfo* info = &partByIndex(part);
        const bool monitorFamily = hasMonitor(info);
        QComboBox* monitor = bench.combo("cboMonChannel");
        QCOMPARE(monitor->count(), monitorFamily ? monitorEntryCount(*info) : 2);
        for (int position = 0; position < monitor->count(); ++position)
            QCOMPARE(monitor->itemText(position),
                     QString::fromStdString(monitorEntryText(position)));
        QCOMPARE(shown(bench.find<QGroupBox>("fraMonControls")), monitorFamily);
        QCOMPARE(shown(bench.find<QGroupBox>("fraGPIO")), monitorFamily);
        if (monitorFamily) QCOMPARE(monitor->currentIndex(), 2);
        QTabWidget* tabs = bench.find<QTabWidget>("SSTab1");
        QCOMPARE(tabs->tabText(1), monitorFamily ? QString("Offset DACs && Monitor Functions")
                                                 : QString("Offset DACs"));
        QCOMPARE(tabs->currentIndex(), 0);
        for (const char* name :
             {"txtVREF_2", "Label5_2", "txtOffsetValue_2", "cmdOFFSET_2", "Line8", "Label6_2"}) {
            QCOMPARE(shown(bench.find<QWidget>(name)), hasOffsetDac(info, 2));
        }

        // Nothing but the firmware load and the start request at start-up.
        QCOMPARE(bench.usb.loads.size(), size_t{1});
        QVERIFY(bench.usb.loads[0].ends_with("/KT4421SPI.hex"));
        QCOMPARE(bench.usb.requests, (std::vector<Request>{{224, 0, 0, 0, 0}}));
        QVERIFY(bench.prompt.messages.empty());
        QCOMPARE(bench.label("lblOutputCode")->text(), QString("000000"));
    }

    void eightChannelCaptions() {
        Bench kt4412(2);
        for (int k = 8; k <= 11; ++k) {
            QCOMPARE(kt4412.option(QStringLiteral("chkDAC_%1").arg(k))->text(),
                     QStringLiteral("DAC%1").arg(k - 4));
        }
        QVERIFY(!shown(kt4412.option("chkDAC_4")));
        Bench kt4420(4);
        QCOMPARE(kt4420.option("chkDAC_9")->text(), QString("DAC9"));
    }

    void noPartChosen() {
        Bench bench(-1);
        QVERIFY(bench.window.windowTitle().startsWith(" Evaluation Software - 0 x 0-Bit"));
        QCOMPARE(bench.model().DACs(0).M, 0);
        QCOMPARE(bench.label("lblXA")->text(), QString("0000"));
        QCOMPARE(bench.usb.loads.size(), size_t{1});  // the board is still looked for
        bench.window.mnuVersion_Click();
        QCOMPARE(bench.prompt.messages.back().title, QString(" Evaluation Board Software"));
    }

    void initRestoresStartStateWithoutWords() {
        Bench bench(4);
        bench.run({"click chkDAC_9", "type txtInput_0 1234", "click cmdX1A", "click optAB_1",
                   "click InputSel_3", "click DACoptMux2_1"});
        QCOMPARE(bench.model().DACs(9).X1A, 0x1234);
        bench.usb.clear();

        bench.window.Init();
        QVERIFY(bench.usb.requests.empty());
        QCOMPARE(bench.model().DACs(9).X1A, 0x5554);
        QCOMPARE(bench.model().DACs(9).ABsel, 1);  // kept by the reset
        for (const char* on : {"optAB_0", "DACoptMux2_0", "InputSel_0", "chkDAC_0"})
            QVERIFY2(bench.option(on)->isChecked(), on);
        QVERIFY(shown(bench.find<QWidget>("Areg")));
        QVERIFY(!shown(bench.find<QWidget>("Breg")));
        QCOMPARE(bench.find<QGroupBox>("frmGroup")->title(), QString("Group 0 - Vout0"));
        QCOMPARE(bench.label("lblXA")->text(), QString("5554"));

        // The next write goes from row 0 to X1A of channel 0, the channel the display shows.
        bench.run({"type txtInput_0 0042", "click cmdX1A"});
        QCOMPARE(bench.model().DACs(0).X1A, 0x42);
        QCOMPARE(bench.usb.words().back(), 0xC80042);
    }

    void versionBox() {
        Bench bench(3);
        bench.window.mnuVersion_Click();
        QCOMPARE(bench.prompt.messages.size(), size_t{1});
        QCOMPARE(bench.prompt.messages[0].text, QString("Version 1.05"));
        QCOMPARE(bench.prompt.messages[0].title, QString("KT4413 Evaluation Board Software"));
        QCOMPARE(bench.prompt.messages[0].icon, Prompt::Icon::Information);
    }

    void closingUnloadsEveryWindow_data() {
        QTest::addColumn<bool>("viaExit");
        QTest::newRow("close box") << false;
        QTest::newRow("Exit") << true;
    }
    void closingUnloadsEveryWindow() {
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

    void voltageTable_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("index");     // channel index whose DAC register is loaded
        QTest::addColumn<QString>("code");  // X1A written, then LDAC
        QTest::addColumn<int>("row");       // lblvout row
        QTest::addColumn<QString>("caption");
        QTest::newRow("KT4410 zero") << 0 << 15 << "0" << 15 << "Vout15=-10.0000V";
        QTest::newRow("KT4420 full scale") << 4 << 39 << "FFFF" << 39 << "Vout39=8.0001V";
        QTest::newRow("KT4421 full scale") << 5 << 16 << "3FFF" << 16 << "Vout16=7.9995V";
        QTest::newRow("KT4412 channel 5 at index 9") << 2 << 9 << "FFFF" << 5 << "Vout5=9.9997V";
    }
    void voltageTable() {
        QFETCH(int, part);
        QFETCH(int, index);
        QFETCH(QString, code);
        QFETCH(int, row);
        QFETCH(QString, caption);
        Bench bench(part);
        bench.selectChannel(index);
        bench.run({"type txtInput_0 " + code, "click cmdX1A", "click cmdLDAC", "tab 3"});
        QCOMPARE(bench.label(QStringLiteral("lblvout_%1").arg(row))->text(), caption);
        QCOMPARE(bench.label("lblvout_0")->text(), QString("Vout0=0.0000V"));
    }

    void referenceEnterRewritesTextOnly() {
        Bench bench(0);
        bench.run({"tab 3", "type txtVREF_1 2.50V", "enter txtVREF_1"});
        QCOMPARE(bench.entry("txtVREF_1")->text(), QString("2.5"));
        bench.entry("txtVREF_0")->setText(" 1e1 volts");  // no Enter: read by the same rule
        for (const char* channel : {"chkDAC_0", "chkDAC_9"}) {
            bench.run({QString("click ") + channel, "type txtInput_0 0", "click cmdX1A",
                       "click cmdLDAC"});
        }
        QCOMPARE(bench.label("lblvout_9")->text(), QString("Vout9=0.0000V"));  // a snapshot
        bench.run({"tab 0", "tab 3"});
        // (0 - 4 x 0x2000) x 4 x V / 65536 = -2 x V
        QCOMPARE(bench.label("lblvout_9")->text(), QString("Vout9=-5.0000V"));
        QCOMPARE(bench.label("lblvout_0")->text(), QString("Vout0=-20.0000V"));
    }

    void creditsSequence_data() {
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
    void creditsSequence() {
        QFETCH(QString, clicks);
        QFETCH(int, opened);
        QFETCH(int, secretAfter);
        Bench bench(5);
        for (QChar step : clicks)
            emit bench.find<ClickArea>(QStringLiteral("Picture%1").arg(step))->clicked();
        QCOMPARE(bench.prompt.creditsOpened, opened);
        QCOMPARE(bench.window.Secret(), int16_t(secretAfter));
    }

    // Real clicks through the window. Where the top left corner area lies
    // under the tab control, the click reaches the "Main DACs" tab and counts
    // no step; on the uncovered rest of the area it counts step 1.
    void cornerAreaBeneathTheTabs() {
        Bench bench(5);
        bench.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.window));
        auto* tabs = bench.find<QTabWidget>("SSTab1");
        auto* corner = bench.find<ClickArea>("Picture1");
        QWidget* client = corner->parentWidget();
        const auto click = [&](QPoint inClient) {
            QTest::mouseClick(bench.window.windowHandle(), Qt::LeftButton, {},
                              client->mapTo(&bench.window, inClient));
        };
        tabs->setCurrentIndex(3);
        const QPoint onFirstTab = (corner->geometry() & tabs->geometry()).center();
        QCOMPARE(tabs->tabBar()->tabAt(tabs->tabBar()->mapFrom(client, onFirstTab)), 0);
        click(onFirstTab);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(bench.window.Secret(), int16_t(0));

        const QPoint uncovered = corner->geometry().topLeft() + QPoint(2, 2);
        QVERIFY(!tabs->geometry().contains(uncovered));
        click(uncovered);
        QCOMPARE(bench.window.Secret(), int16_t(1));
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
