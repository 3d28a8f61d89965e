// What the random model-versus-chip sessions cannot see: the refusal boxes'
// texts and titles, the labels and the word display, the silent channel
// choice, Enter and focus loss in the entries, the re-entry guards, the
// monitor, GPIO and line buttons, observed at the USBFunctions seam.
#include <QtTest>

#include "harness.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

// One entry and the button that sends it: the word sent and the label shown,
// or (word < 0) the refusal box's text and title with nothing sent.
struct WriteRow {
    int part;
    QString entry, button, text;
    int word;
    QString labelName, label, message, title;
};

}  // namespace

Q_DECLARE_METATYPE(WriteRow)

class OperatorActionsTest : public QObject {
    Q_OBJECT

  private slots:
    void writesShowTheirLabelOrRefuseWithTheirBox_data() {
        QTest::addColumn<WriteRow>("row");
        const QString exceeds = QStringLiteral("Number exceeds the bit length (%1)");
        const QString in = QStringLiteral("txtInput_4");
        // clang-format off
        const WriteRow rows[] = {
            {0, in, "cmdC", "1f", 0x88001F, "lblC", "001F", {}, {}},  // padded, upper case
            {4, in, "cmdM", "FFFF", 0x48FFFF, "lblM", "FFFF", {}, {}},  // the largest code
            {5, in, "cmdX1A", "4000", -1, "lblXA", "1555",
             "The selected value is larger than\rthe number of bits allows", kApplicationTitle},
            {0, in, "cmdX1A", "10000", -1, "lblXA", "8000", exceeds.arg(16), "Invalid Text"},
            {0, in, "cmdX1A", "12G4", -1, "lblXA", "8000", "Invalid Number", "Invalid Number"},
            {5, "txtOffsetValue_2", "cmdOFFSET_2", "3fff", 0x043FFF, "lblXA", "1555", {}, {}},
            {5, "txtOffsetValue_0", "cmdOFFSET_0", "4000", -1, "lblXA", "1555", exceeds.arg(14),
             "Invalid Text"},
            // The model does not follow a direct load.
            {5, "txtDirectLoad_2", "cmdDirectLoad", "c81234", 0xC81234, "lblXA", "1555", {}, {}},
            {5, "txtDirectLoad_0", "cmdDirectLoad", "1000000", -1, "lblXA", "1555",
             exceeds.arg(24), "Invalid Text"},
        };
        // clang-format on
        for (const WriteRow& row : rows)
            QTest::addRow("%s %s part %d", qPrintable(row.button), qPrintable(row.text), row.part)
                << row;
    }
    void writesShowTheirLabelOrRefuseWithTheirBox() {
        QFETCH(WriteRow, row);
        Bench bench(row.part);
        const QString entryRow = row.entry.section('_', 1);
        if (row.entry.startsWith("txtInput")) bench.option("InputSel_" + entryRow)->click();
        if (row.entry.startsWith("txtDirect")) bench.option("optTxtSelect_" + entryRow)->click();
        bench.entry(row.entry)->setText(row.text);
        bench.usb.clear();
        const KT442xModule before = bench.model();
        bench.button(row.button)->click();
        QCOMPARE(bench.label(row.labelName)->text(), row.label);
        if (row.word >= 0) {
            QVERIFY(bench.prompt.messages.empty());
            QCOMPARE(bench.usb.words(), std::vector<int32_t>{row.word});
            QCOMPARE(bench.label("lblOutputCode")->text(), wordText(row.word));
            return;
        }
        QVERIFY(bench.usb.requests.empty());
        QCOMPARE(bench.prompt.messages.size(), size_t{1});
        const Message& box = bench.prompt.messages[0];
        QCOMPARE(box.text + "|" + box.title, row.message + "|" + row.title);
        QCOMPARE(box.icon, Prompt::Icon::Exclamation);
        QCOMPARE(bench.model().DACs(0).X1A, before.DACs(0).X1A);
        QCOMPARE(bench.model().OffsetCode, before.OffsetCode);
    }

    // The group caption names the channel number (KT4412's index 9 is DAC5);
    // choosing a channel sends nothing, its multiplexer option follows silently.
    void channelChoiceShowsItsGroupAndSendsNothing() {
        Bench bench(2);
        bench.run({"click chkDAC_9", "click DACoptMux2_1", "click chkDAC_3"});
        QCOMPARE(bench.find<QGroupBox>("frmGroup")->title(), QString("Group 0 - Vout3"));
        QVERIFY(bench.option("DACoptMux2_0")->isChecked());
        bench.usb.clear();
        bench.selectChannel(9);
        QCOMPARE(bench.find<QGroupBox>("frmGroup")->title(), QString("Group 1 - Vout5"));
        QVERIFY(bench.option("DACoptMux2_1")->isChecked());
        QVERIFY(bench.usb.requests.empty());
        Bench kt4421(5);
        kt4421.selectChannel(39);
        QCOMPARE(kt4421.find<QGroupBox>("frmGroup")->title(), QString("Group 4 - Vout39"));
    }

    // With register B in use an X write changes X1B and X2B (from X1B), not A.
    void writeToRegisterBLeavesA() {
        Bench bench(0);
        bench.option("optAB_1")->click();
        QVERIFY(!shown(bench.find<QWidget>("Areg")) && shown(bench.find<QWidget>("Breg")));
        bench.run({"type txtInput_0 0", "click cmdX1A"});
        QStringList labels;
        for (const char* name : {"lblXB", "lblX2B", "lblXA", "lblX2A"})
            labels << bench.label(name)->text();
        QCOMPARE(labels.join(' '), QString("0000 0000 8000 8000"));
    }

    void queuedClickWaitsForTheWrite() {
        Bench bench(4, true);
        bench.typeInput(0, "1234");
        // A channel click queued while the write runs must not reach in between
        // storing the value and composing its word.
        QMetaObject::invokeMethod(bench.option("chkDAC_5"), &QRadioButton::click,
                                  Qt::QueuedConnection);
        bench.button("cmdX1A")->click();
        QCOMPARE(bench.usb.words(), std::vector<int32_t>{0xC81234});
        QCOMPARE(bench.model().SelectedDAC, int16_t{0});
        QCoreApplication::processEvents();
        QCOMPARE(bench.model().SelectedDAC, int16_t{5});
    }

    // Enter upper-cases a row's text and makes it the active row without
    // sending; a bad text gets the entry box and is cleared; focus loss
    // upper-cases the other entries and judges an empty row too.
    void enterAndFocusLossInTheEntries() {
        Bench bench(0);
        EntryBox* row = bench.entry("txtInput_3");
        row->setText("3fff");
        emit row->enterPressed();
        QCOMPARE(bench.window.TextSelIndex(), int16_t{3});
        QVERIFY(bench.option("InputSel_3")->isChecked());
        QCOMPARE(row->text(), QString("3FFF"));
        QVERIFY(bench.usb.words().empty());

        row->setText("xyz");
        emit row->enterPressed();
        QCOMPARE(bench.prompt.messages.size(), size_t{1});
        QCOMPARE(bench.prompt.messages[0].text, QString("Not a valid number. Please reenter it."));
        QCOMPARE(bench.prompt.messages[0].title, QString("Entry Error"));
        QCOMPARE(row->text(), QString());

        for (const char* name : {"txtDirectLoad_3", "txtOffsetValue_0"}) {
            bench.entry(name)->setText("abc");
            emit bench.entry(name)->focusLost();
            QCOMPARE(bench.entry(name)->text(), QString("ABC"));
        }
        bench.typeInput(7, "");
        emit bench.entry("txtInput_7")->focusLost();
        QCOMPARE(bench.prompt.messages.size(), size_t{2});
    }

    void refusalBoxDoesNotCascade() {
        Bench bench(0);
        bench.typeInput(1, "zz1");
        bench.typeInput(2, "zz2");
        // While the box for row 1 is open: row 2 loses the focus too, and a click
        // on "X >>" and on a channel arrive.
        bench.prompt.whileOpen = [&] {
            emit bench.entry("txtInput_2")->focusLost();
            bench.button("cmdX1A")->click();
            bench.selectChannel(5);
        };
        emit bench.entry("txtInput_1")->focusLost();
        QCOMPARE(bench.prompt.messages.size(), size_t{1});
        QVERIFY(bench.usb.words().empty());
        QCOMPARE(bench.model().SelectedDAC, int16_t{0});
        QCOMPARE(bench.entry("txtInput_2")->text(), QString("zz2"));
    }

    // The channel list is enabled with the monitor; inputs keep bit 2.
    void monitorSequence() {
        Bench bench(0, true);
        QVERIFY(!bench.combo("cboMonChannel")->isEnabled());
        bench.pick("cboDisable", 1);
        QVERIFY(bench.combo("cboMonChannel")->isEnabled());
        // DAC 5, Mon_In0, Mon_In1, DAC 3, off.
        bench.run({"pick cboMonChannel 7", "pick cboMonChannel 0", "pick cboMonChannel 1",
                   "pick cboMonChannel 5", "pick cboDisable 0"});
        QCOMPARE(bench.usb.words(), (std::vector<int32_t>{0x0C0020, 0x0C0025, 0x0C0034, 0x0C0035,
                                                          0x0C0023, 0x0C0003}));
        QVERIFY(!bench.combo("cboMonChannel")->isEnabled());
        QCOMPARE(bench.board->state().monitor, 0x03);
    }

    void gpioWordsAndRead() {
        Bench bench(2, true);
        bench.run({"click chkGPIO_2", "click cmdGPIOread"});
        QCOMPARE(bench.label("lblGPIOinput")->text(), QString("=HIGH"));
        bench.run({"click chkGPIO_1", "click cmdGPIOread"});
        QCOMPARE(bench.label("lblGPIOinput")->text(), QString("=LOW"));
        bench.option("chkGPIO_0")->click();
        bench.board->setGpioInputLevel(true);
        bench.button("cmdGPIOread")->click();
        QCOMPARE(bench.label("lblGPIOinput")->text(), QString("=HIGH"));
        QCOMPARE(bench.usb.words(), (std::vector<int32_t>{0x0D0003, 0x058580, 0x0D0002, 0x058580,
                                                          0x0D0000, 0x058580}));
        QCOMPARE(bench.usb.requests.back(), (Request{221, 0, 0, 1, 3}));
    }

    // Each button's requests in order; a RESET pulse runs Init.
    void lineButtonsSendTheirRequests() {
        const std::pair<const char*, std::vector<Request>> rows[] = {
            {"cmdRESET_3", {{223, 0, 0, 0, 0}}},
            {"mnuPulseReset", {{219, 0, 0, 0, 0}, {218, 0, 0, 0, 0}}},
            {"Command5", {{219, 0, 0, 0, 0}, {218, 0, 0, 0, 0}}},
            {"Command1", {{219, 0, 0, 0, 0}, {218, 0, 0, 0, 0}}},
            {"cmdLDAC", {{222, 0, 0, 0, 0}}},
            {"Command4", {{222, 0, 0, 0, 0}}},
            {"Command2", {{222, 0, 0, 0, 0}}}};
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
