// Channel selection, register writes, numeric entry, monitor, GPIO and the
// control line buttons, observed at the USBFunctions seam.
#include <QtTest>

#include "harness.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

// One entry and the button that sends it; word < 0: refused with message and title.
struct WriteRow {
    int part, index;  // the part and the channel chosen before
    QString entry, button, text;
    int word;
    QString labelName, label, message, title;
};

}  // namespace

Q_DECLARE_METATYPE(WriteRow)

class OperatorActionsTest : public QObject {
    Q_OBJECT

  private slots:
    void groupCaptions_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::newRow("KT4412 9 is DAC5") << 2 << 9 << "Group 1 - Vout5";
        QTest::newRow("KT4412 3") << 2 << 3 << "Group 0 - Vout3";
        QTest::newRow("KT4421 39") << 5 << 39 << "Group 4 - Vout39";
        QTest::newRow("KT4423 24") << 7 << 24 << "Group 3 - Vout24";
    }
    void groupCaptions() {
        QFETCH(int, part);
        QFETCH(int, index);
        QFETCH(QString, caption);
        Bench bench(part);
        bench.selectChannel(index);
        QCOMPARE(bench.find<QGroupBox>("frmGroup")->title(), caption);
        QCOMPARE(bench.model().SelectedDAC, int16_t(index));
    }

    void selectingAChannelSendsNothing() {
        Bench bench(4);
        bench.selectChannel(10);
        bench.option("DACoptMux2_1")->click();
        bench.selectChannel(3);
        QVERIFY(bench.option("DACoptMux2_0")->isChecked());
        bench.usb.clear();
        bench.selectChannel(10);  // ABsel 1: the multiplexer follows, silently
        QVERIFY(bench.option("DACoptMux2_1")->isChecked());
        QVERIFY(bench.usb.requests.empty());
    }

    void abAndMultiplexerWords_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QList<int>>("words");
        QTest::newRow("optAB") << 5 << 0 << QStringList{"optAB_1", "optAB_0"}
                               << QList<int>{0x010004, 0x010000};
        QTest::newRow("KT4412 ch10") << 2 << 10 << QStringList{"DACoptMux2_1", "DACoptMux2_0"}
                                     << QList<int>{0x070004, 0x070000};
        QTest::newRow("KT4412 ch1")
            << 2 << 1 << QStringList{"DACoptMux2_1"} << QList<int>{0x060002};
    }
    void abAndMultiplexerWords() {
        QFETCH(int, part);
        QFETCH(int, index);
        QFETCH(QStringList, clicks);
        QFETCH(QList<int>, words);
        Bench bench(part);
        bench.selectChannel(index);
        bench.usb.clear();
        for (const QString& name : clicks) bench.option(name)->click();
        const std::vector<int32_t> sent = bench.usb.words();
        QCOMPARE(QList<int>(sent.begin(), sent.end()), words);
        QCOMPARE(bench.label("lblOutputCode")->text(), wordText(words.back()));
    }

    void registerWrites_data() {
        QTest::addColumn<WriteRow>("row");
        const QString none;
        const QString exceeds = QStringLiteral("Number exceeds the bit length (%1)");
        const QString input = QStringLiteral("txtInput_4");
        // clang-format off
        const WriteRow rows[] = {
            {0, 0, input, "cmdX1A", "1234", 0xC81234, "lblXA", "1234", none, none},
            {5, 39, input, "cmdX1A", "3FFF", 0xEFFFFC, "lblXA", "3FFF", none, none},
            {4, 5, input, "cmdM", "FFFF", 0x4DFFFF, "lblM", "FFFF", none, none},
            {5, 0, input, "cmdM", "3FFF", 0x48FFFC, "lblM", "3FFF", none, none},
            {5, 16, input, "cmdC", "2000", 0x988000, "lblC", "2000", none, none},
            {0, 0, input, "cmdC", "1f", 0x88001F, "lblC", "001F", none, none},
            {5, 0, input, "cmdX1A", "4000", -1, "lblXA", "1555",
             "The selected value is larger than\rthe number of bits allows", kApplicationTitle},
            {0, 0, input, "cmdX1A", "10000", -1, "lblXA", "8000", exceeds.arg(16), "Invalid Text"},
            {0, 0, input, "cmdX1A", "12G4", -1, "lblXA", "8000",
             "Invalid Number", "Invalid Number"},
            {5, 0, "txtOffsetValue_2", "cmdOFFSET_2", "3fff", 0x043FFF, "lblXA", "1555",
             none, none},
            {5, 0, "txtOffsetValue_0", "cmdOFFSET_0", "4000", -1, "lblXA", "1555",
             exceeds.arg(14), "Invalid Text"},
            // The model does not follow a direct load.
            {5, 0, "txtDirectLoad_2", "cmdDirectLoad", "c81234", 0xC81234, "lblXA", "1555",
             none, none},
            {5, 0, "txtDirectLoad_0", "cmdDirectLoad", "1000000", -1, "lblXA", "1555",
             exceeds.arg(24), "Invalid Text"},
            {5, 0, "txtDirectLoad_0", "cmdDirectLoad", "123456789", -1, "lblXA", "1555",
             "Invalid Number", "Invalid Number"},
        };
        // clang-format on
        for (const WriteRow& row : rows) {
            QTest::addRow("%s %s part %d ch %d", qPrintable(row.button), qPrintable(row.text),
                          row.part, row.index)
                << row;
        }
    }
    void registerWrites() {
        QFETCH(WriteRow, row);
        Bench bench(row.part);
        bench.selectChannel(row.index);
        const QString entryRow = row.entry.section('_', 1);
        if (row.entry.startsWith("txtInput")) bench.option("InputSel_" + entryRow)->click();
        if (row.entry.startsWith("txtDirectLoad"))
            bench.option("optTxtSelect_" + entryRow)->click();
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
        QCOMPARE(bench.prompt.messages[0].text, row.message);
        QCOMPARE(bench.prompt.messages[0].title, row.title);
        QCOMPARE(bench.prompt.messages[0].icon, Prompt::Icon::Exclamation);
        const DAC& a = before.DACs(row.index);
        const DAC& b = bench.model().DACs(row.index);
        QVERIFY(a.X1A == b.X1A && a.M == b.M && a.C == b.C);
        QCOMPARE(bench.model().OffsetCode, before.OffsetCode);
    }

    // optAB switches the line to register B; an X write then leaves A alone.
    void writeToRegisterBLeavesA() {
        Bench bench(0);
        bench.option("optAB_1")->click();
        QVERIFY(!shown(bench.find<QWidget>("Areg")) && shown(bench.find<QWidget>("Breg")));
        bench.usb.clear();
        bench.run({"type txtInput_0 0", "click cmdX1A"});
        const DAC& record = bench.model().DACs(0);
        QVERIFY(record.X1B == 0 && record.X2B == 0 && record.X1A == 0x8000 && record.X2A == 0x8000);
        for (const auto& [label, text] : {std::pair{"lblXB", "0000"},
                                          {"lblX2B", "0000"},
                                          {"lblXA", "8000"},
                                          {"lblX2A", "8000"}}) {
            QCOMPARE(bench.label(label)->text(), QString(text));
        }
        QCOMPARE(bench.usb.words(), std::vector<int32_t>{0xC80000});  // the same word as for A
        bench.option("optAB_0")->click();
        QVERIFY(shown(bench.find<QWidget>("Areg")) && !shown(bench.find<QWidget>("Breg")));
    }

    void queuedClickWaitsForTheWrite() {
        Bench bench(4, true);
        bench.typeInput(0, "1234");
        // A channel click queued while the write runs must not reach in between
        // storing the value and composing its word.
        QMetaObject::invokeMethod(bench.option("chkDAC_5"), &QRadioButton::click,
                                  Qt::QueuedConnection);
        bench.button("cmdX1A")->click();
        QCOMPARE(bench.model().DACs(0).X1A, 0x1234);
        QCOMPARE(bench.usb.words(), std::vector<int32_t>{0xC81234});
        QCOMPARE(bench.model().SelectedDAC, int16_t{0});
        QCoreApplication::processEvents();
        QCOMPARE(bench.model().SelectedDAC, int16_t{5});
        QCOMPARE(bench.board->channel(5).X1A, 0x5554);
    }

    void focusLossUpperCases() {
        Bench bench(0);
        for (const char* name : {"txtDirectLoad_3", "txtOffsetValue_0"}) {
            EntryBox* box = bench.entry(name);
            box->setText("abc");
            emit box->focusLost();
            QCOMPARE(box->text(), QString("ABC"));
        }
        QVERIFY(bench.prompt.messages.empty());
    }

    void enterInARow() {
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

        EntryBox* empty = bench.entry("txtInput_7");
        empty->setText("");
        emit empty->focusLost();
        QCOMPARE(bench.prompt.messages.size(), size_t{2});
    }

    void refusalBoxDoesNotCascade() {
        Bench bench(0);
        bench.entry("txtInput_1")->setText("zz1");
        bench.entry("txtInput_2")->setText("zz2");
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
        QCOMPARE(bench.entry("txtInput_1")->text(), QString());
    }

    void monitorSequence() {
        Bench bench(0, true);
        QVERIFY(!bench.combo("cboMonChannel")->isEnabled());
        bench.pick("cboDisable", 1);
        QVERIFY(bench.combo("cboMonChannel")->isEnabled());
        // DAC 5, Mon_In0 (keeps bit 2), Mon_In1, DAC 3, off.
        bench.run({"pick cboMonChannel 7", "pick cboMonChannel 0", "pick cboMonChannel 1",
                   "pick cboMonChannel 5", "pick cboDisable 0"});
        QCOMPARE(bench.usb.words(), (std::vector<int32_t>{0x0C0020, 0x0C0025, 0x0C0034, 0x0C0035,
                                                          0x0C0023, 0x0C0003}));
        QVERIFY(!bench.combo("cboMonChannel")->isEnabled());
        QCOMPARE(bench.board->state().monitor, 0x03);

        // From a cleared state: Mon_In1, then channel 3.
        Bench fresh(1, true);
        fresh.run({"pick cboMonChannel 1", "pick cboMonChannel 5"});
        QCOMPARE(fresh.usb.words(), (std::vector<int32_t>{0x0C0011, 0x0C0003}));
    }

    // The wheel turns a closed combo box only while it has the keyboard focus;
    // then it picks the next entry as the operator's choice does, word and all.
    void wheelOverMonitorBoxes_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<int>("position");  // after one notch down
        QTest::addColumn<std::vector<int32_t>>("words");
        QTest::newRow("enable box, unfocused")
            << "cboDisable" << false << 0 << std::vector<int32_t>{};
        QTest::newRow("enable box, focused")
            << "cboDisable" << true << 1 << std::vector<int32_t>{0x0C0020};
        QTest::newRow("channel box, unfocused")
            << "cboMonChannel" << false << 2 << std::vector<int32_t>{};
        QTest::newRow("channel box, focused")
            << "cboMonChannel" << true << 3 << std::vector<int32_t>{0x0C0021};
    }
    void wheelOverMonitorBoxes() {
        QFETCH(QString, box);
        QFETCH(bool, focused);
        QFETCH(int, position);
        QFETCH(std::vector<int32_t>, words);
        Bench bench(0, true);
        bench.find<QTabWidget>("SSTab1")->setCurrentIndex(1);
        bench.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&bench.window));
        if (box == "cboMonChannel") bench.pick("cboDisable", 1);  // enables the channel box
        bench.usb.clear();
        QComboBox* combo = bench.combo(box);
        (focused ? static_cast<QWidget*>(combo) : bench.entry("txtOffsetValue_0"))->setFocus();
        QCOMPARE(combo->hasFocus(), focused);

        const QPointF centre = QRectF(combo->rect()).center();
        QWheelEvent notchDown(centre, combo->mapToGlobal(centre), {}, {0, -120}, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &notchDown);
        QCOMPARE(combo->currentIndex(), position);
        QCOMPARE(bench.usb.words(), words);
        // A wheel over the box must not take the focus either.
        QVERIFY((combo->focusPolicy() & Qt::WheelFocus) != Qt::WheelFocus);
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

    void lineButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<int>>("requests");
        // The level each button sets is the line rule's; one button shows the wiring.
        QTest::newRow("CLR Low") << "cmdRESET_3" << QList<int>{223};
        for (const char* name : {"mnuPulseReset", "Command5", "Command1"})
            QTest::newRow(name) << name << QList<int>{219, 218};
        for (const char* name : {"cmdLDAC", "Command4", "Command2"})
            QTest::newRow(name) << name << QList<int>{222};
    }
    void lineButtons() {
        QFETCH(QString, button);
        QFETCH(QList<int>, requests);
        Bench bench(1);
        bench.run({"click chkDAC_4", "type txtInput_0 0123", "click cmdX1A"});
        bench.usb.clear();
        bench.button(button)->click();
        std::vector<Request> expected;
        for (int code : requests) expected.push_back({int16_t(code), 0, 0, 0, 0});
        QCOMPARE(bench.usb.requests, expected);
        const bool reset = requests.size() == 2;
        QCOMPARE(bench.model().DACs(4).X1A, reset ? 0x2000 : 0x0123);  // a pulse runs Init
    }

    void pulseLdacCopiesTheMultiplexedCode() {
        Bench bench(0);
        // X2A = 0, X2B still 0x8000.
        bench.run({"click chkDAC_2", "type txtInput_0 0", "click cmdX1A", "click DACoptMux2_1",
                   "click Command2"});
        QCOMPARE(bench.label("DACregister")->text(), QString("8000"));
        bench.run({"click DACoptMux2_0", "click Command4"});
        bench.usb.clear();
        bench.button("Command4")->click();  // twice leaves it as after once
        QCOMPARE(bench.usb.requests, (std::vector<Request>{{222, 0, 0, 0, 0}}));
        QCOMPARE(bench.model().DACs(2).DACreg, 0);
        QCOMPARE(bench.label("DACregister")->text(), QString("0000"));
        QCOMPARE(bench.model().DACs(3).DACreg, 0x8000);  // other channels untouched
    }
};

QTEST_MAIN(OperatorActionsTest)
#include "operator_actions_test.moc"
