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
    // Catches a wrong caption, channel buttons or voltage labels shown out of
    // the part's N channels (indices 8-11 read DAC4 to DAC7 on 8-channel
    // parts), the monitor or third reference on the wrong family, words sent
    // at start, labels not showing channel 0, and a Version box without the
    // part; no part chosen leaves the name empty and still loads.
    void startUpShowsThePartsChannelsAndFunctions() {
        for (const auto& [part, caption] :
             {std::pair{0, "KT4410 Evaluation Software - 16 x 16-Bit Channels"},
              {3, "KT4413 Evaluation Software - 8 x 14-Bit Channels"},
              {5, "KT4421 Evaluation Software - 40 x 14-Bit Channels"},
              {6, "KT4422 Evaluation Software - 32 x 16-Bit Channels"},
              {-1, " Evaluation Software - 0 x 0-Bit Channels"}}) {
            Bench bench(part);
            QCOMPARE(bench.window.windowTitle(), caption);
            const int channels = QString(caption).section(' ', 4, 4).toInt();
            if (part >= 0) {
                QStringList buttons, expected;
                for (int i = 0; i < 40; ++i) {
                    const QRadioButton* button = bench.option(QStringLiteral("chkDAC_%1").arg(i));
                    if (shown(button)) buttons << button->text();
                    if (i < channels) expected << QStringLiteral("DAC%1").arg(i);
                    QCOMPARE(shown(bench.label(QStringLiteral("lblvout_%1").arg(i))), i < channels);
                }
                QCOMPARE(buttons, expected);
                const bool monitor = channels <= 16;
                QComboBox* list = bench.combo("cboMonChannel");
                QCOMPARE(list->count(), monitor ? channels + 2 : 2);
                QCOMPARE(list->itemText(channels + 1),
                         monitor ? QStringLiteral("DAC %1").arg(channels - 1) : "");
                if (monitor) QCOMPARE(list->currentText(), "DAC 0");
                QVERIFY(shown(bench.find<QGroupBox>("fraMonControls")) == monitor &&
                        shown(bench.find<QGroupBox>("fraGPIO")) == monitor);
                QCOMPARE(bench.find<QTabWidget>("SSTab1")->tabText(1),
                         monitor ? "Offset DACs && Monitor Functions" : "Offset DACs");
                for (const char* name : {"txtVREF_2", "Label5_2", "txtOffsetValue_2", "cmdOFFSET_2",
                                         "Line8", "Label6_2"})
                    QCOMPARE(shown(bench.find<QWidget>(name)), channels == 40);
            }
            const DAC& r = bench.model().DACs(0);
            QString registers, labels;
            for (const int32_t v : {r.X1A, r.X1B, r.X2A, r.X2B, r.DACreg, r.M, r.C})
                registers += QString::number(v, 16).toUpper().rightJustified(4, '0');
            for (const char* name :
                 {"lblXA", "lblXB", "lblX2A", "lblX2B", "DACregister", "lblM", "lblC"})
                labels += bench.label(name)->text();
            QCOMPARE(labels, registers);
            QVERIFY(bench.usb.loads.size() == 1 && bench.usb.loads[0].ends_with("/KT4421SPI.hex"));
            QCOMPARE(bench.usb.requests, (std::vector<Request>{{224, 0, 0, 0, 0}}));
            QVERIFY(bench.prompt.messages.empty());
            QCOMPARE(bench.label("lblOutputCode")->text(), "000000");
            bench.window.mnuVersion_Click();
            const Message& version = bench.prompt.messages.back();
            QCOMPARE(version.text + "|" + version.title, "Version 1.05|" +
                                                             QString(caption).section(' ', 0, 0) +
                                                             " Evaluation Board Software");
            QCOMPARE(version.icon, Prompt::Icon::Information);
        }
    }

    // Catches Init sending words, not resetting the registers and choices, or
    // the next write going elsewhere than X1A of channel 0.
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
        QCOMPARE(bench.find<QGroupBox>("frmGroup")->title() + bench.label("lblXA")->text(),
                 "Group 0 - Vout05554");
        bench.run({"type txtInput_0 0042", "click cmdX1A"});
        QCOMPARE(bench.model().DACs(0).X1A, 0x42);
        QCOMPARE(bench.usb.words().back(), 0xC80042);
    }

    // Catches a failed load not reported with the part, the code, the icon and
    // the advice for the file searched; a failing request reported; the window
    // not working on without a board.
    void failedLoadIsReportedAndTheWindowWorksOn() {
        Bench bench(5);
        bench.window.setLoadAdvice([](int16_t code, const FirmwareChoice& firmware) {
            return std::to_string(code) + " " + firmware.path;
        });
        bench.usb.loadResult = -7;
        bench.usb.requestResult = -3;
        bench.window.mnuReload_Click();
        bench.run({"click chkDAC_2", "type txtInput_0 1FFF", "click cmdX1A"});
        QCOMPARE(bench.prompt.messages.size(), std::size_t{1});
        const Message& box = bench.prompt.messages[0];
        QCOMPARE(box.text + "|" + box.title + "|" + box.details,
                 "No Evaluation Board Found|KT4421: -7|-7 " +
                     bench.firmwareDir.filePath("KT4421SPI.hex"));
        QCOMPARE(box.icon, Prompt::Icon::Exclamation);
        QCOMPARE(bench.label("lblXA")->text(), "1FFF");
        QCOMPARE(bench.label("lblOutputCode")->text(), wordText(bench.usb.words().back()));
    }

    // Catches the close box or Exit leaving another window open.
    void closeBoxAndExitUnloadEveryWindow() {
        for (bool viaExit : {false, true}) {
            Bench bench(5);
            bench.window.show();
            QWidget other;
            other.show();
            viaExit ? bench.window.mnuExit_Click() : void(bench.window.close());
            QVERIFY2(!bench.window.isVisible() && !other.isVisible(),
                     viaExit ? "Exit" : "close box");
        }
    }

    // Catches voltage labels computed other than on choosing their tab, by
    // index instead of channel number (KT4412's channel 5 lives at index 9),
    // or from references other than as typed (Enter or not); Enter rewrites
    // a reference's text only.
    void voltageTableFollowsTabChoiceChannelNumbersAndReferences() {
        Bench bench(2);
        bench.run(
            {"tab 3", "type txtVREF_1 2.50V", "enter txtVREF_1", "type txtVREF_0  1e1 volts"});
        QCOMPARE(bench.entry("txtVREF_1")->text(), "2.5");
        for (const char* channel : {"chkDAC_0", "chkDAC_9"})
            bench.run({QString("click ") + channel, "type txtInput_0 0", "click cmdX1A",
                       "click cmdLDAC"});
        QCOMPARE(bench.label("lblvout_5")->text(), "Vout5=0.0000V");  // a snapshot
        bench.run({"tab 0", "tab 3"});
        // (0 - 4 x 0x2000) x 4 x V / 65536 = -2 x V
        QCOMPARE(bench.label("lblvout_5")->text() + bench.label("lblvout_0")->text(),
                 "Vout5=-5.0000VVout0=-20.0000V");
    }

    // Catches the credits opening other than on corners 1, 2, 3 in a row, or
    // a sequence not starting again after a wrong step or completion.
    void creditsSequence() {
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
