// Start-up, part setup, Init, Version, closing, the voltage table and the
// credits sequence of the main window.
#include <QtTest>

#include "harness.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    // Each part's caption names its channel count N: N channel buttons
    // (indices 8-11 read DAC4 to DAC7 on the 8-channel parts) and voltage
    // labels shown; the 8- and 16-channel parts show the monitor with N
    // channel entries, the 40-channel parts the third reference. Nothing but
    // the firmware load and the start request is sent. The Version box names
    // the part.
    void startUpShowsThePartsChannelsAndFunctions_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("caption");
        // One part of each family.
        for (const auto& [i, caption] :
             {std::pair{0, "KT4410 Evaluation Software - 16 x 16-Bit Channels"},
              {3, "KT4413 Evaluation Software - 8 x 14-Bit Channels"},
              {5, "KT4421 Evaluation Software - 40 x 14-Bit Channels"},
              {6, "KT4422 Evaluation Software - 32 x 16-Bit Channels"}})
            QTest::newRow(caption) << i << caption;
    }
    void startUpShowsThePartsChannelsAndFunctions() {
        QFETCH(int, part);
        QFETCH(QString, caption);
        Bench bench(part);
        QCOMPARE(bench.window.windowTitle(), caption);
        // The channel buttons shown, in index order, read DAC0 to DAC(N - 1).
        const int channels = caption.section(' ', 4, 4).toInt();
        QStringList buttons, expected;
        for (int i = 0; i < 40; ++i) {
            const QRadioButton* button = bench.option(QStringLiteral("chkDAC_%1").arg(i));
            if (shown(button)) buttons << button->text();
            if (i < channels) expected << QStringLiteral("DAC%1").arg(i);
            QCOMPARE(shown(bench.label(QStringLiteral("lblvout_%1").arg(i))), i < channels);
        }
        QCOMPARE(buttons, expected);

        const bool monitorFamily = channels <= 16;
        QComboBox* monitor = bench.combo("cboMonChannel");
        QCOMPARE(monitor->count(), monitorFamily ? channels + 2 : 2);
        for (const char* name : {"fraMonControls", "fraGPIO"})
            QCOMPARE(shown(bench.find<QGroupBox>(name)), monitorFamily);
        if (monitorFamily) {
            QCOMPARE(monitor->currentText(), QString("DAC 0"));
            QCOMPARE(monitor->itemText(channels + 1), QStringLiteral("DAC %1").arg(channels - 1));
        }
        QTabWidget* tabs = bench.find<QTabWidget>("SSTab1");
        QCOMPARE(tabs->tabText(1), monitorFamily ? QString("Offset DACs && Monitor Functions")
                                                 : QString("Offset DACs"));
        QCOMPARE(tabs->currentIndex(), 0);
        for (const char* name :
             {"txtVREF_2", "Label5_2", "txtOffsetValue_2", "cmdOFFSET_2", "Line8", "Label6_2"})
            QCOMPARE(shown(bench.find<QWidget>(name)), channels == 40);

        QCOMPARE(bench.usb.loads.size(), size_t{1});
        QVERIFY(bench.usb.loads[0].ends_with("/KT4421SPI.hex"));
        QCOMPARE(bench.usb.requests, (std::vector<Request>{{224, 0, 0, 0, 0}}));
        QVERIFY(bench.prompt.messages.empty());
        QCOMPARE(bench.label("lblOutputCode")->text(), QString("000000"));

        bench.window.mnuVersion_Click();
        const Message& version = bench.prompt.messages.back();
        QCOMPARE(version.text, QString("Version 1.05"));
        QCOMPARE(version.title, caption.section(' ', 0, 0) + " Evaluation Board Software");
        QCOMPARE(version.icon, Prompt::Icon::Information);
    }

    // Channel 0's start values, as hexadecimal text, in every register label.
    void startUpShowsChannelZerosRegisters() {
        Bench bench(4);
        QStringList labels;
        for (const char* name :
             {"lblXA", "lblXB", "lblX2A", "lblX2B", "DACregister", "lblM", "lblC"})
            labels << bench.label(name)->text();
        QCOMPARE(labels.join(' '), QString("5554 5554 5554 5554 5554 FFFF 8000"));
    }

    void noPartChosenLeavesNameEmptyAndStillLoads() {
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
        QVERIFY(shown(bench.find<QWidget>("Areg")) && !shown(bench.find<QWidget>("Breg")));
        QCOMPARE(bench.find<QGroupBox>("frmGroup")->title(), QString("Group 0 - Vout0"));
        QCOMPARE(bench.label("lblXA")->text(), QString("5554"));

        // The next write goes from row 0 to X1A of channel 0, the channel the display shows.
        bench.run({"type txtInput_0 0042", "click cmdX1A"});
        QCOMPARE(bench.model().DACs(0).X1A, 0x42);
        QCOMPARE(bench.usb.words().back(), 0xC80042);
    }

    void closeBoxAndExitUnloadEveryWindow() {
        for (bool viaExit : {false, true}) {
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
            QVERIFY2(!other.isVisible(), viaExit ? "Exit" : "close box");
        }
    }

    // The voltage labels are computed when their tab is chosen, by channel
    // number (KT4412's channel 5 lives at index 9), from the references as
    // typed, Enter or not; Enter rewrites a reference's text only.
    void voltageTableFollowsTabChoiceChannelNumbersAndReferences() {
        Bench bench(2);
        bench.run({"tab 3", "type txtVREF_1 2.50V", "enter txtVREF_1"});
        QCOMPARE(bench.entry("txtVREF_1")->text(), QString("2.5"));
        bench.entry("txtVREF_0")->setText(" 1e1 volts");  // no Enter: read by the same rule
        for (const char* channel : {"chkDAC_0", "chkDAC_9"}) {
            bench.run({QString("click ") + channel, "type txtInput_0 0", "click cmdX1A",
                       "click cmdLDAC"});
        }
        QCOMPARE(bench.label("lblvout_5")->text(), QString("Vout5=0.0000V"));  // a snapshot
        bench.run({"tab 0", "tab 3"});
        // (0 - 4 x 0x2000) x 4 x V / 65536 = -2 x V
        QCOMPARE(bench.label("lblvout_5")->text(), QString("Vout5=-5.0000V"));
        QCOMPARE(bench.label("lblvout_0")->text(), QString("Vout0=-20.0000V"));
    }

    // The window opens on steps 1, 2, 3 in a row only; a step out of turn
    // starts again from nothing, and so does a completed sequence.
    void creditsSequence() {
        // Corner steps in order, windows opened, the step reached after.
        for (const auto& [clicks, opened, reached] :
             {std::tuple{"1233", 1, 0}, {"1123", 0, 0}, {"12", 0, 2}}) {
            Bench bench(5);
            for (const char* step = clicks; *step != 0; ++step)
                emit bench.find<ClickArea>(QStringLiteral("Picture%1").arg(*step))->clicked();
            QCOMPARE(bench.prompt.creditsOpened, opened);
            QCOMPARE(bench.window.Secret(), int16_t(reached));
        }
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
