// What the random model-versus-chip sessions cannot see: the refusal boxes'
// texts and titles, the labels and the word display, the silent channel
// choice, Enter and focus loss in the entries, the re-entry guards, the
// monitor, GPIO and line buttons, observed at the USBFunctions seam.
#include <QtTest>

#include "harness.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

class OperatorActionsTest : public QObject {
    Q_OBJECT

  private slots:
    // Catches a label not padded or upper-cased, the largest code refused, a
    // 14-bit part taking 4000, a refusal box's wrong text, title or icon, and
    // the model following a refused entry or a direct load. Each row: part,
    // steps, then the label shown and the word sent (and shown) or the box.
    void writesShowTheirLabelOrRefuseWithTheirBox() {
        const QString in = "click InputSel_4;type txtInput_4 ", direct = "click optTxtSelect_";
        const QString exceeds = " Number exceeds the bit length (%1)|Invalid Text";
        const std::tuple<int, QString, QString> rows[] = {
            {0, in + "1f;click cmdC", "lblC 001F 88001F"},
            {4, in + "FFFF;click cmdM", "lblM FFFF 48FFFF"},
            {5, in + "4000;click cmdX1A",
             "lblXA 1555 The selected value is larger than\rthe number "
             "of bits allows|" +
                 QString(kApplicationTitle)},
            {0, in + "10000;click cmdX1A", "lblXA 8000" + exceeds.arg(16)},
            {0, in + "12G4;click cmdX1A", "lblXA 8000 Invalid Number|Invalid Number"},
            {5, "type txtOffsetValue_2 3fff;click cmdOFFSET_2", "lblXA 1555 043FFF"},
            {5, "type txtOffsetValue_0 4000;click cmdOFFSET_0", "lblXA 1555" + exceeds.arg(14)},
            {5, direct + "2;type txtDirectLoad_2 c81234;click cmdDirectLoad", "lblXA 1555 C81234"},
            {5, direct + "0;type txtDirectLoad_0 1000000;click cmdDirectLoad",
             "lblXA 1555" + exceeds.arg(24)}};
        for (const auto& [part, steps, expected] : rows) {
            Bench bench(part);
            QStringList actions = steps.split(';');
            bench.run(actions.mid(0, actions.size() - 1));
            bench.usb.clear();
            const KT442xModule before = bench.model();
            bench.run({actions.back()});
            const QString name = expected.section(' ', 0, 0);
            QString shown = name + " " + bench.label(name)->text();
            for (const Message& m : bench.prompt.messages)
                shown +=
                    " " + m.text + "|" + m.title + (m.icon == Prompt::Icon::Exclamation ? "" : "!");
            for (const int32_t w : bench.usb.words())
                shown += " " + wordText(w) +
                         (bench.label("lblOutputCode")->text() == wordText(w) ? "" : "!");
            if (!bench.prompt.messages.empty() &&
                (bench.model().DACs(0).X1A != before.DACs(0).X1A ||
                 bench.model().OffsetCode != before.OffsetCode))
                shown += " changed";
            QCOMPARE(steps + ": " + shown, steps + ": " + expected);
        }
    }

    // Catches a group caption by index instead of channel number (KT4412's
    // index 9 is DAC5), a word sent on a channel choice, the multiplexer
    // option not following.
    void channelChoiceShowsItsGroupAndSendsNothing() {
        Bench bench(2);
        bench.run({"click chkDAC_9", "click DACoptMux2_1", "click chkDAC_3"});
        QCOMPARE(bench.find<QGroupBox>("frmGroup")->title(), "Group 0 - Vout3");
        QVERIFY(bench.option("DACoptMux2_0")->isChecked());
        bench.usb.clear();
        bench.run({"click chkDAC_9"});
        QCOMPARE(bench.find<QGroupBox>("frmGroup")->title(), "Group 1 - Vout5");
        QVERIFY(bench.option("DACoptMux2_1")->isChecked() && bench.usb.requests.empty());
        Bench kt4421(5);
        kt4421.run({"click chkDAC_39"});
        QCOMPARE(kt4421.find<QGroupBox>("frmGroup")->title(), "Group 4 - Vout39");
    }

    // Catches X2B computed from X1A, or A written, with register B in use.
    void writeToRegisterBLeavesA() {
        Bench bench(0);
        bench.run({"click optAB_1", "type txtInput_0 0", "click cmdX1A"});
        QVERIFY(!shown(bench.find<QWidget>("Areg")) && shown(bench.find<QWidget>("Breg")));
        QStringList labels;
        for (const char* name : {"lblXB", "lblX2B", "lblXA", "lblX2A"})
            labels << bench.label(name)->text();
        QCOMPARE(labels.join(' '), "0000 0000 8000 8000");
    }

    // Catches a queued channel click reaching in between storing a value and
    // composing its word.
    void queuedClickWaitsForTheWrite() {
        Bench bench(4, true);
        bench.typeInput(0, "1234");
        QMetaObject::invokeMethod(bench.option("chkDAC_5"), &QRadioButton::click,
                                  Qt::QueuedConnection);
        bench.button("cmdX1A")->click();
        QCOMPARE(bench.usb.words(), std::vector<int32_t>{0xC81234});
        QCOMPARE(bench.model().SelectedDAC, int16_t{0});
        QCoreApplication::processEvents();
        QCOMPARE(bench.model().SelectedDAC, int16_t{5});
    }

    // Catches Enter ignored or sending, a wrong entry box, a bad text kept, and
    // focus loss not upper-casing or not judging an empty row.
    void enterAndFocusLossInTheEntries() {
        Bench bench(0);
        EntryBox* row = bench.entry("txtInput_3");
        row->setText("3fff");
        emit row->enterPressed();
        QCOMPARE(bench.window.TextSelIndex(), int16_t{3});
        QVERIFY(bench.option("InputSel_3")->isChecked() && bench.usb.words().empty());
        QCOMPARE(row->text(), "3FFF");
        row->setText("xyz");
        emit row->enterPressed();
        QCOMPARE(bench.prompt.messages.size(), size_t{1});
        QCOMPARE(bench.prompt.messages[0].text + "|" + bench.prompt.messages[0].title,
                 "Not a valid number. Please reenter it.|Entry Error");
        QCOMPARE(row->text(), QString());
        for (const char* name : {"txtDirectLoad_3", "txtOffsetValue_0"}) {
            bench.entry(name)->setText("abc");
            emit bench.entry(name)->focusLost();
            QCOMPARE(bench.entry(name)->text(), "ABC");
        }
        bench.typeInput(7, "");
        emit bench.entry("txtInput_7")->focusLost();
        QCOMPARE(bench.prompt.messages.size(), size_t{2});
    }

    // Catches a second box, a write or a channel change while a refusal box is open.
    void refusalBoxDoesNotCascade() {
        Bench bench(0);
        bench.typeInput(1, "zz1");
        bench.typeInput(2, "zz2");
        bench.prompt.whileOpen = [&] {
            emit bench.entry("txtInput_2")->focusLost();
            bench.run({"click cmdX1A", "click chkDAC_5"});
        };
        emit bench.entry("txtInput_1")->focusLost();
        QCOMPARE(bench.prompt.messages.size(), size_t{1});
        QVERIFY(bench.usb.words().empty());
        QCOMPARE(bench.model().SelectedDAC, int16_t{0});
        QCOMPARE(bench.entry("txtInput_2")->text(), "zz2");
    }

    // Catches the channel list usable with the monitor off, inputs losing bit 2,
    // and the GPIO level read from the wrong bit or not shown.
    void monitorAndGpio() {
        Bench bench(0, true);
        QVERIFY(!bench.combo("cboMonChannel")->isEnabled());
        bench.run({"pick cboDisable 1"});
        QVERIFY(bench.combo("cboMonChannel")->isEnabled());
        // DAC 5, Mon_In0, Mon_In1, DAC 3, off.
        bench.run({"pick cboMonChannel 7", "pick cboMonChannel 0", "pick cboMonChannel 1",
                   "pick cboMonChannel 5", "pick cboDisable 0"});
        QCOMPARE(bench.usb.words(), (std::vector<int32_t>{0x0C0020, 0x0C0025, 0x0C0034, 0x0C0035,
                                                          0x0C0023, 0x0C0003}));
        QVERIFY(!bench.combo("cboMonChannel")->isEnabled());
        QCOMPARE(bench.board->state().monitor, 0x03);
        bench.usb.clear();
        QString levels;
        for (const char* pin : {"chkGPIO_2", "chkGPIO_1", "chkGPIO_0"}) {
            bench.board->setGpioInputLevel(true);
            bench.run({QString("click ") + pin, "click cmdGPIOread"});
            levels += bench.label("lblGPIOinput")->text();
        }
        QCOMPARE(levels, "=HIGH=LOW=HIGH");
        QCOMPARE(bench.usb.words(), (std::vector<int32_t>{0x0D0003, 0x058580, 0x0D0002, 0x058580,
                                                          0x0D0000, 0x058580}));
        QCOMPARE(bench.usb.requests.back(), (Request{221, 0, 0, 1, 3}));
    }

    // Catches a line button sending another request or in another order, and
    // a RESET pulse not running Init.
    void lineButtonsSendTheirRequests() {
        const Request resetLow{219, 0, 0, 0, 0}, resetHigh{218, 0, 0, 0, 0}, ldac{222, 0, 0, 0, 0};
        const std::pair<const char*, std::vector<Request>> rows[] = {
            {"cmdRESET_3", {{223, 0, 0, 0, 0}}},
            {"mnuPulseReset", {resetLow, resetHigh}},
            {"Command5", {resetLow, resetHigh}},
            {"Command1", {resetLow, resetHigh}},
            {"cmdLDAC", {ldac}},
            {"Command4", {ldac}},
            {"Command2", {ldac}}};
        for (const auto& [button, requests] : rows) {
            Bench bench(1);
            bench.run({"type txtInput_0 0123", "click cmdX1A"});
            bench.usb.clear();
            bench.button(button)->click();
            QVERIFY2(bench.usb.requests == requests, button);
            QCOMPARE(bench.model().DACs(0).X1A, requests.size() == 2 ? 0x2000 : 0x0123);
        }
    }
};

QTEST_MAIN(OperatorActionsTest)
#include "operator_actions_test.moc"
