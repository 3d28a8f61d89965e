// Channel selection, register writes, numeric entry, monitor, GPIO and the
// control line buttons, observed at the USBFunctions seam.
#include <QtTest>

#include "harness.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

const QString kLargerThanWidth =
    QStringLiteral("The selected value is larger than\rthe number of bits allows");

}  // namespace

class OperatorActionsTest : public QObject {
    Q_OBJECT

  private slots:
    void groupCaptions_data();
    void groupCaptions();
    void selectingAChannelSendsNothing();
    void inputRegisterSwitchShowsItsLine();
    void abAndMultiplexerWords_data();
    void abAndMultiplexerWords();
    void registerWrites_data();
    void registerWrites();
    void writeToRegisterBLeavesA();
    void queuedClickWaitsForTheWrite();
    void offsetAndDirectLoad_data();
    void offsetAndDirectLoad();
    void focusLossUpperCases();
    void enterInARow();
    void refusalBoxDoesNotCascade();
    void monitorSequence();
    void gpioWordsAndRead();
    void lineButtons_data();
    void lineButtons();
    void pulseLdacCopiesTheMultiplexedCode();
};

void OperatorActionsTest::groupCaptions_data() {
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::newRow("KT4420 9") << 4 << 9 << "Group 1 - Vout9";
    QTest::newRow("KT4412 9 is DAC5") << 2 << 9 << "Group 1 - Vout5";
    QTest::newRow("KT4412 3") << 2 << 3 << "Group 0 - Vout3";
    QTest::newRow("KT4410 12") << 0 << 12 << "Group 1 - Vout12";
    QTest::newRow("KT4410 8") << 0 << 8 << "Group 1 - Vout8";
    QTest::newRow("KT4410 15") << 0 << 15 << "Group 1 - Vout15";
    QTest::newRow("KT4421 39") << 5 << 39 << "Group 4 - Vout39";
    QTest::newRow("KT4423 24") << 7 << 24 << "Group 3 - Vout24";
}

void OperatorActionsTest::groupCaptions() {
    QFETCH(int, part);
    QFETCH(int, index);
    QFETCH(QString, caption);
    Bench bench(part);
    bench.option(QStringLiteral("chkDAC_%1").arg(index))->click();
    QCOMPARE(bench.find<QGroupBox>("frmGroup")->title(), caption);
    QCOMPARE(bench.model().SelectedDAC, int16_t(index));
}

void OperatorActionsTest::selectingAChannelSendsNothing() {
    Bench bench(4);
    bench.option("chkDAC_10")->click();
    bench.option("DACoptMux2_1")->click();
    bench.option("chkDAC_3")->click();
    QVERIFY(bench.option("DACoptMux2_0")->isChecked());
    bench.usb.clear();
    bench.option("chkDAC_10")->click();  // ABsel 1: the multiplexer follows, silently
    QVERIFY(bench.option("DACoptMux2_1")->isChecked());
    QVERIFY(bench.usb.requests.empty());
}

void OperatorActionsTest::inputRegisterSwitchShowsItsLine() {
    Bench bench(0);
    QWidget* areg = bench.find<QWidget>("Areg");
    QWidget* breg = bench.find<QWidget>("Breg");
    bench.option("optAB_1")->click();
    QVERIFY(!shown(areg) && shown(breg));
    QCOMPARE(bench.model().UseX1B, int16_t{-1});
    bench.option("optAB_0")->click();
    QVERIFY(shown(areg) && !shown(breg));
    QCOMPARE(bench.model().UseX1B, int16_t{0});
}

void OperatorActionsTest::abAndMultiplexerWords_data() {
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QList<int>>("words");
    QTest::newRow("optAB") << 5 << 0 << QStringList{"optAB_1", "optAB_0"}
                           << QList<int>{0x010004, 0x010000};
    QTest::newRow("KT4420 ch10") << 4 << 10 << QStringList{"DACoptMux2_1", "DACoptMux2_0"}
                                 << QList<int>{0x070004, 0x070000};
    QTest::newRow("KT4412 ch10") << 2 << 10 << QStringList{"DACoptMux2_1", "DACoptMux2_0"}
                                 << QList<int>{0x070004, 0x070000};
    QTest::newRow("KT4412 ch1") << 2 << 1 << QStringList{"DACoptMux2_1"} << QList<int>{0x060002};
}

void OperatorActionsTest::abAndMultiplexerWords() {
    QFETCH(int, part);
    QFETCH(int, index);
    QFETCH(QStringList, clicks);
    QFETCH(QList<int>, words);
    Bench bench(part);
    bench.option(QStringLiteral("chkDAC_%1").arg(index))->click();
    bench.usb.clear();
    for (const QString& name : clicks) bench.option(name)->click();
    const std::vector<int32_t> sent = bench.usb.words();
    QCOMPARE(QList<int>(sent.begin(), sent.end()), words);
    QCOMPARE(bench.label("lblOutputCode")->text(),
             QStringLiteral("%1").arg(words.back(), 6, 16, QChar('0')).toUpper());
}

void OperatorActionsTest::registerWrites_data() {
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("word");  // -1: refused
    QTest::addColumn<QString>("labelName");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    // clang-format off
    QTest::newRow("X 16-bit")         << 0 << 0  << "cmdX1A" << "1234" << 0xC81234 << "lblXA" << "1234" << "" << "";
    QTest::newRow("X 14-bit ch39")    << 5 << 39 << "cmdX1A" << "3FFF" << 0xEFFFFC << "lblXA" << "3FFF" << "" << "";
    QTest::newRow("M 16-bit ch5")     << 4 << 5  << "cmdM"   << "FFFF" << 0x4DFFFF << "lblM"  << "FFFF" << "" << "";
    QTest::newRow("M 14-bit largest") << 5 << 0  << "cmdM"   << "3FFF" << 0x48FFFC << "lblM"  << "3FFF" << "" << "";
    QTest::newRow("C 14-bit ch16")    << 5 << 16 << "cmdC"   << "2000" << 0x988000 << "lblC"  << "2000" << "" << "";
    QTest::newRow("C lower case")     << 0 << 0  << "cmdC"   << "1f"   << 0x88001F << "lblC"  << "001F" << "" << "";
    QTest::newRow("X 14-bit too large") << 5 << 0 << "cmdX1A" << "4000" << -1 << "lblXA" << "1555"
                                        << kLargerThanWidth << kApplicationTitle;
    QTest::newRow("M 14-bit 8000")    << 1 << 0 << "cmdM" << "8000" << -1 << "lblM" << "3FFF"
                                      << kLargerThanWidth << kApplicationTitle;
    QTest::newRow("X 16-bit 10000")   << 0 << 0 << "cmdX1A" << "10000" << -1 << "lblXA" << "8000"
                                      << "Number exceeds the bit length (16)" << "Invalid Text";
    QTest::newRow("X malformed")      << 0 << 0 << "cmdX1A" << "12G4" << -1 << "lblXA" << "8000"
                                      << "Invalid Number" << "Invalid Number";
    QTest::newRow("C empty")          << 0 << 0 << "cmdC" << "" << -1 << "lblC" << "8000"
                                      << "Invalid Number" << "Invalid Number";
    QTest::newRow("X 80000000")       << 0 << 0 << "cmdX1A" << "80000000" << -1 << "lblXA" << "8000"
                                      << "Number exceeds the bit length (16)" << "Invalid Text";
    // clang-format on
}

void OperatorActionsTest::registerWrites() {
    QFETCH(int, part);
    QFETCH(int, index);
    QFETCH(QString, button);
    QFETCH(QString, text);
    QFETCH(int, word);
    QFETCH(QString, labelName);
    QFETCH(QString, label);
    QFETCH(QString, message);
    QFETCH(QString, title);
    Bench bench(part, true);
    bench.option(QStringLiteral("chkDAC_%1").arg(index))->click();
    bench.option("InputSel_4")->click();
    bench.typeInput(4, text);
    bench.usb.clear();
    const KT442xModule before = bench.model();
    bench.button(button)->click();
    QCOMPARE(bench.label(labelName)->text(), label);
    if (word < 0) {
        QVERIFY(bench.usb.requests.empty());
        QCOMPARE(bench.prompt.messages.size(), size_t{1});
        QCOMPARE(bench.prompt.messages[0].text, message);
        QCOMPARE(bench.prompt.messages[0].title, title);
        QCOMPARE(bench.prompt.messages[0].icon, Prompt::Icon::Exclamation);
        const DAC& a = before.DACs(index);
        const DAC& b = bench.model().DACs(index);
        QVERIFY(a.X1A == b.X1A && a.M == b.M && a.C == b.C && a.X2A == b.X2A);
        return;
    }
    QVERIFY(bench.prompt.messages.empty());
    QCOMPARE(bench.usb.words(), std::vector<int32_t>{word});
    QCOMPARE(bench.label("lblOutputCode")->text(),
             QStringLiteral("%1").arg(word, 6, 16, QChar('0')).toUpper());
    // The chip got what the model holds.
    const DAC& model = bench.model().DACs(index);
    const auto& chip = bench.board->channel(index);
    QCOMPARE(chip.X1A, model.X1A);
    QCOMPARE(chip.M, model.M);
    QCOMPARE(chip.C, model.C);
    // The effective code shown is the one the model holds.
    QCOMPARE(bench.label("lblX2A")->text().toUInt(nullptr, 16) & 0xFFFF,
             uint32_t(model.X2A) & 0xFFFF);
}

void OperatorActionsTest::writeToRegisterBLeavesA() {
    Bench bench(0);
    bench.option("optAB_1")->click();
    bench.typeInput(0, "0");
    bench.usb.clear();
    bench.button("cmdX1A")->click();
    QCOMPARE(bench.model().DACs(0).X1B, 0);
    QCOMPARE(bench.model().DACs(0).X1A, 0x8000);
    QCOMPARE(bench.model().DACs(0).X2B, 0);
    QCOMPARE(bench.model().DACs(0).X2A, 0x8000);
    QCOMPARE(bench.label("lblXB")->text(), QString("0000"));
    QCOMPARE(bench.label("lblX2B")->text(), QString("0000"));
    QCOMPARE(bench.label("lblXA")->text(), QString("8000"));
    QCOMPARE(bench.label("lblX2A")->text(), QString("8000"));
    QCOMPARE(bench.usb.words(), std::vector<int32_t>{0xC80000});  // the same word as for A
}

void OperatorActionsTest::queuedClickWaitsForTheWrite() {
    Bench bench(4, true);
    bench.typeInput(0, "1234");
    // A channel click queued while the write runs must not reach in between
    // storing the value and composing its word.
    QMetaObject::invokeMethod(bench.option("chkDAC_5"), &QRadioButton::click, Qt::QueuedConnection);
    bench.button("cmdX1A")->click();
    QCOMPARE(bench.model().DACs(0).X1A, 0x1234);
    QCOMPARE(bench.usb.words(), std::vector<int32_t>{0xC81234});
    QCOMPARE(bench.model().SelectedDAC, int16_t{0});
    QCoreApplication::processEvents();
    QCOMPARE(bench.model().SelectedDAC, int16_t{5});
    QCOMPARE(bench.board->channel(5).X1A, 0x5554);
}

void OperatorActionsTest::offsetAndDirectLoad_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("option");  // chosen before, may be empty
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("offset 1")           << "txtOffsetValue_1" << "" << "cmdOFFSET_1" << "1555" << 0x031555 << "";
    QTest::newRow("offset 2")           << "txtOffsetValue_2" << "" << "cmdOFFSET_2" << "3fff" << 0x043FFF << "";
    QTest::newRow("offset too large")   << "txtOffsetValue_0" << "" << "cmdOFFSET_0" << "4000" << -1
                                        << "Number exceeds the bit length (14)";
    QTest::newRow("direct row 2")       << "txtDirectLoad_2" << "optTxtSelect_2" << "cmdDirectLoad" << "c81234"
                                        << 0xC81234 << "";
    QTest::newRow("direct 25 bits")     << "txtDirectLoad_0" << "" << "cmdDirectLoad" << "1000000" << -1
                                        << "Number exceeds the bit length (24)";
    QTest::newRow("direct FFFFFFFF")    << "txtDirectLoad_0" << "" << "cmdDirectLoad" << "FFFFFFFF" << -1
                                        << "Number exceeds the bit length (24)";
    QTest::newRow("direct nine digits") << "txtDirectLoad_0" << "" << "cmdDirectLoad" << "123456789" << -1
                                        << "Invalid Number";
    // clang-format on
}

void OperatorActionsTest::offsetAndDirectLoad() {
    QFETCH(QString, entry);
    QFETCH(QString, option);
    QFETCH(QString, button);
    QFETCH(QString, text);
    QFETCH(int, word);
    QFETCH(QString, message);
    Bench bench(5, true);
    if (!option.isEmpty()) bench.option(option)->click();
    bench.entry(entry)->setText(text);
    const KT442xModule before = bench.model();
    bench.usb.clear();
    bench.button(button)->click();
    if (word < 0) {
        QVERIFY(bench.usb.requests.empty());
        QCOMPARE(bench.prompt.messages.at(0).text, message);
        QCOMPARE(bench.model().OffsetCode, before.OffsetCode);
        return;
    }
    QCOMPARE(bench.usb.words(), std::vector<int32_t>{word});
    if (button.startsWith("cmdOFFSET")) {
        const int dac = button.back().digitValue();
        QCOMPARE(bench.model().OffsetCode[dac], word & 0x3FFF);
        QCOMPARE(bench.board->state().offsetDacs[dac], word & 0x3FFF);
    } else {
        QCOMPARE(bench.label("lblOutputCode")->text(), QString("C81234"));
        QCOMPARE(bench.model().DACs(0).X1A, before.DACs(0).X1A);  // the model does not follow
        QCOMPARE(bench.label("lblXA")->text(), QString("1555"));
    }
}

void OperatorActionsTest::focusLossUpperCases() {
    Bench bench(0);
    for (const char* name : {"txtDirectLoad_3", "txtOffsetValue_0"}) {
        EntryBox* box = bench.entry(name);
        box->setText("abc");
        emit box->focusLost();
        QCOMPARE(box->text(), QString("ABC"));
    }
    QVERIFY(bench.prompt.messages.empty());
}

void OperatorActionsTest::enterInARow() {
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

void OperatorActionsTest::refusalBoxDoesNotCascade() {
    Bench bench(0);
    bench.entry("txtInput_1")->setText("zz1");
    bench.entry("txtInput_2")->setText("zz2");
    // While the box for row 1 is open: row 2 loses the focus too, and a click
    // on "X >>" and on a channel arrive.
    bench.prompt.whileOpen = [&] {
        emit bench.entry("txtInput_2")->focusLost();
        bench.button("cmdX1A")->click();
        bench.option("chkDAC_5")->click();
    };
    emit bench.entry("txtInput_1")->focusLost();
    QCOMPARE(bench.prompt.messages.size(), size_t{1});
    QVERIFY(bench.usb.words().empty());
    QCOMPARE(bench.model().SelectedDAC, int16_t{0});
    QCOMPARE(bench.entry("txtInput_2")->text(), QString("zz2"));
    QCOMPARE(bench.entry("txtInput_1")->text(), QString());
}

void OperatorActionsTest::monitorSequence() {
    Bench bench(0, true);
    QVERIFY(!bench.combo("cboMonChannel")->isEnabled());
    bench.pick("cboDisable", 1);
    QVERIFY(bench.combo("cboMonChannel")->isEnabled());
    bench.pick("cboMonChannel", 7);  // DAC 5
    bench.pick("cboMonChannel", 0);  // Mon_In0 keeps bit 2
    bench.pick("cboMonChannel", 1);  // Mon_In1
    bench.pick("cboMonChannel", 5);  // DAC 3
    bench.pick("cboDisable", 0);
    QCOMPARE(bench.usb.words(),
             (std::vector<int32_t>{0x0C0020, 0x0C0025, 0x0C0034, 0x0C0035, 0x0C0023, 0x0C0003}));
    QVERIFY(!bench.combo("cboMonChannel")->isEnabled());
    QCOMPARE(bench.board->state().monitor, 0x03);

    // From a cleared state: Mon_In1, then channel 3.
    Bench fresh(1, true);
    fresh.pick("cboMonChannel", 1);
    fresh.pick("cboMonChannel", 5);
    QCOMPARE(fresh.usb.words(), (std::vector<int32_t>{0x0C0011, 0x0C0003}));

    // Typing into a combo box changes nothing.
    QComboBox* channel = bench.combo("cboMonChannel");
    channel->setEnabled(true);
    const int before = channel->currentIndex();
    QTest::keyClicks(channel, "DM");
    QCOMPARE(channel->currentIndex(), before);
}

void OperatorActionsTest::gpioWordsAndRead() {
    Bench bench(2, true);
    bench.option("chkGPIO_2")->click();
    bench.button("cmdGPIOread")->click();
    QCOMPARE(bench.label("lblGPIOinput")->text(), QString("=HIGH"));
    bench.option("chkGPIO_1")->click();
    bench.button("cmdGPIOread")->click();
    QCOMPARE(bench.label("lblGPIOinput")->text(), QString("=LOW"));
    bench.option("chkGPIO_0")->click();
    bench.board->setGpioInputLevel(true);
    bench.button("cmdGPIOread")->click();
    QCOMPARE(bench.label("lblGPIOinput")->text(), QString("=HIGH"));
    QCOMPARE(bench.usb.words(),
             (std::vector<int32_t>{0x0D0003, 0x058580, 0x0D0002, 0x058580, 0x0D0000, 0x058580}));
    const Request read = bench.usb.requests.back();
    QCOMPARE(read, (Request{221, 0, 0, 1, 3}));
}

void OperatorActionsTest::lineButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<int>>("requests");
    QTest::newRow("RESET High") << "cmdRESET_0" << QList<int>{218};
    QTest::newRow("RESET Low") << "cmdRESET_1" << QList<int>{219};
    QTest::newRow("CLR High") << "cmdRESET_2" << QList<int>{220};
    QTest::newRow("CLR Low") << "cmdRESET_3" << QList<int>{223};
    QTest::newRow("LDAC High") << "cmdRESET_4" << QList<int>{226};
    QTest::newRow("LDAC Low") << "cmdRESET_5" << QList<int>{227};
    for (const char* name : {"mnuPulseReset", "Command5", "Command1"}) {
        QTest::newRow(name) << name << QList<int>{219, 218};
    }
    for (const char* name : {"cmdLDAC", "Command4", "Command2"}) {
        QTest::newRow(name) << name << QList<int>{222};
    }
}

void OperatorActionsTest::lineButtons() {
    QFETCH(QString, button);
    QFETCH(QList<int>, requests);
    Bench bench(1);
    bench.option("chkDAC_4")->click();
    bench.typeInput(0, "0123");
    bench.button("cmdX1A")->click();
    bench.usb.clear();
    bench.button(button)->click();
    QList<int> sent;
    for (const Request& r : bench.usb.requests) {
        sent.push_back(r.request);
        QCOMPARE(r.value, 0);
        QCOMPARE(r.index, 0);
        QCOMPARE(r.direction, int16_t{0});
        QCOMPARE(r.length, int16_t{0});
    }
    QCOMPARE(sent, requests);
    const bool reset = requests.size() == 2;
    QCOMPARE(bench.model().DACs(4).X1A, reset ? 0x2000 : 0x0123);  // a pulse runs Init
}

void OperatorActionsTest::pulseLdacCopiesTheMultiplexedCode() {
    Bench bench(0);
    bench.option("chkDAC_2")->click();
    bench.typeInput(0, "0");
    bench.button("cmdX1A")->click();  // X2A = 0
    bench.option("DACoptMux2_1")->click();
    bench.button("Command2")->click();  // X2B still 0x8000
    QCOMPARE(bench.model().DACs(2).DACreg, 0x8000);
    QCOMPARE(bench.label("DACregister")->text(), QString("8000"));
    bench.option("DACoptMux2_0")->click();
    bench.button("Command4")->click();
    bench.usb.clear();
    bench.button("Command4")->click();  // twice leaves it as after once
    QCOMPARE(bench.usb.requests.size(), size_t{1});
    QCOMPARE(bench.usb.requests[0].request, int16_t{222});
    QCOMPARE(bench.model().DACs(2).DACreg, 0);
    QCOMPARE(bench.label("DACregister")->text(), QString("0000"));
    QCOMPARE(bench.model().DACs(3).DACreg, 0x8000);  // other channels untouched
}

QTEST_MAIN(OperatorActionsTest)
#include "operator_actions_test.moc"
