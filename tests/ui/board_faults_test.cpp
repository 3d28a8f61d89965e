// The main window over the real board link when the board misbehaves: it is
// unplugged, its transfers time out or stall, or the firmware file is bad.
// Requests' results are never shown, the window keeps working and keeps what
// the operator wrote, and "Reload USB" finds the board again.
#include <QRandomGenerator>
#include <QtTest>

#include "fake_board_bench.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

enum Fault { Unplug, Timeout, Stall };

}  // namespace

class BoardFaultsTest : public QObject {
    Q_OBJECT

  private slots:
    void faultMidSession_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("code");         // every request's result while the fault lasts
        QTest::addColumn<int>("reloadCode");   // "Reload USB" before the fault is gone
        QTest::addColumn<int>("afterReload");  // requests' result after that reload
        QTest::newRow("unplugged") << int(Unplug) << int(usbresult::kDeviceGone)
                                   << int(usbresult::kNoBoard) << int(usbresult::kDeviceGone);
        QTest::newRow("timeout") << int(Timeout) << int(usbresult::kTimeout)
                                 << int(usbresult::kLoadIoError) << int(usbresult::kNotOpen);
        QTest::newRow("stall") << int(Stall) << int(usbresult::kStall)
                               << int(usbresult::kLoadIoError) << int(usbresult::kNotOpen);
    }
    void faultMidSession() {
        QFETCH(int, fault);
        QFETCH(int, code);
        QFETCH(int, reloadCode);
        QFETCH(int, afterReload);
        FakeBoardBench b(goodFirmware());
        QCOMPARE(b.usb.loadResults, std::vector<int16_t>{usbresult::kOk});
        QVERIFY(b.prompt.messages.empty());
        QVERIFY(b.board.firmwareRunning());

        b.run({"click chkDAC_3", "type txtInput_0 1234", "click cmdX1A"});
        QCOMPARE(b.lastResult(), int16_t{0});
        const std::size_t reached = b.board.firmwareRequests().size();
        QCOMPARE(reached, std::size_t{2});  // start and the word

        if (fault == Unplug) {
            b.board.unplug();
        } else {  // far more than the session below sends: every transfer fails
            b.board.transferFaults.assign(64,
                                          fault == Timeout ? UsbStatus::Timeout : UsbStatus::Stall);
        }
        const std::size_t firstFaulty = b.usb.requests.size();
        b.run({"click chkDAC_7", "type txtInput_0 0ABC", "click cmdX1A"});
        QCOMPARE(b.text("lblXA"), QString("0ABC"));
        QCOMPARE(b.text("lblOutputCode"), b.lastWordText());
        b.run({"type txtInput_0 2345", "click cmdM", "type txtOffsetValue_1 2AAA",
               "click cmdOFFSET_1", "click optAB_1", "type txtInput_0 0DEF", "click cmdX1A"});
        QCOMPARE(b.text("lblM"), QString("2345"));
        QCOMPARE(b.text("lblXB"), QString("0DEF"));
        b.run({"click cmdRESET_4"});  // LDAC high
        QCOMPARE(b.lastResult(), int16_t(code));

        // Every request was still sent, each failed with the fault's code, none
        // reached the firmware and none was reported.
        const std::vector<int16_t> results(b.usb.requestResults.begin() + long(firstFaulty),
                                           b.usb.requestResults.end());
        QCOMPARE(results, std::vector<int16_t>(6, int16_t(code)));
        QCOMPARE(b.board.firmwareRequests().size(), reached);
        QVERIFY(b.prompt.messages.empty());
        const KT442xModule& model = b.window.module();
        QCOMPARE(model.DACs(3).X1A, 0x1234);
        QCOMPARE(model.DACs(7).X1A, 0x0ABC);
        QCOMPARE(model.DACs(7).X1B, 0x0DEF);
        QCOMPARE(model.DACs(7).M, 0x2345);
        QCOMPARE(model.OffsetCode[1], 0x2AAA);

        // Reloading before the board is back is reported once; requests then
        // fail as before any load, or, if the board was not found at all, as
        // for a board that is gone.
        b.window.mnuReload_Click();
        QCOMPARE(b.prompt.messages.size(), std::size_t{1});
        QCOMPARE(b.prompt.messages[0].title, loadFailureTitle(reloadCode));
        QCOMPARE(b.prompt.messages[0].text, QString("No Evaluation Board Found"));
        QCOMPARE(b.lastResult(), int16_t(afterReload));

        if (fault == Unplug) {
            b.board.plugIn();
        } else {
            b.board.transferFaults.clear();
        }
        b.window.mnuReload_Click();
        QCOMPARE(b.prompt.messages.size(), std::size_t{1});
        QCOMPARE(b.usb.loadResults.back(), usbresult::kOk);
        QCOMPARE(b.board.firmwareRequests().size(), reached + 3);  // start, RESET low, high
        b.run({"type txtInput_0 0123", "click cmdX1A"});
        QCOMPARE(b.lastResult(), int16_t{0});
        const FakeTransfer& last = b.board.firmwareRequests().back();
        QCOMPARE(last.request, uint8_t{221});
        QCOMPARE(int32_t(last.index) << 16 | last.value, b.usb.words().back());
    }

    // "Reload USB" that fails before it touches the bus is reported as any
    // failed load, and the board keeps working: the RESET pulse after it and
    // the next word reach the chip.
    void failedReloadKeepsTheLink_data() {
        QTest::addColumn<QByteArray>("content");  // the firmware file at the reload
        QTest::addColumn<bool>("secondBoard");
        QTest::addColumn<int>("code");
        QTest::newRow("firmware removed")
            << QByteArray() << false << int(usbresult::kFirmwareUnreadable);
        QTest::newRow("firmware spoilt")
            << QByteArray("garbage\n") << false << int(usbresult::kHexFormat);
        QTest::newRow("second board") << goodFirmware() << true << int(usbresult::kSeveralBoards);
    }
    void failedReloadKeepsTheLink() {
        QFETCH(QByteArray, content);
        QFETCH(bool, secondBoard);
        QFETCH(int, code);
        FakeBoardBench b(goodFirmware());
        if (content.isEmpty()) {
            QVERIFY(QFile::remove(b.firmwareDir.filePath(BoardLink::kFirmwareFileName)));
        } else {
            writeFirmwareFile(b.firmwareDir, content);
        }
        if (secondBoard) b.bus.addLoader({9});
        const std::size_t reached = b.board.firmwareRequests().size();

        b.window.mnuReload_Click();
        QCOMPARE(b.prompt.messages.size(), std::size_t{1});
        QCOMPARE(b.prompt.messages[0].text, QString("No Evaluation Board Found"));
        QCOMPARE(b.prompt.messages[0].title, loadFailureTitle(code));
        QCOMPARE(b.board.firmwareRequests().size(), reached + 3);  // start, RESET low, high
        QCOMPARE(b.board.firmwareRequests().back().request, uint8_t{218});
        b.run({"type txtInput_0 0456", "click cmdX1A"});
        QCOMPARE(b.lastResult(), int16_t{0});
        QCOMPARE(b.board.firmwareRequests().size(), reached + 4);
    }

    // Unreadable, malformed and misplaced images: each its own code in the box.
    void badFirmware_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("code");
        QTest::newRow("missing") << false << QByteArray() << int(usbresult::kFirmwareUnreadable);
        QTest::newRow("empty") << true << QByteArray() << int(usbresult::kHexFormat);
        QList<QByteArray> lines = goodFirmware().split('\n');
        QList<QByteArray> truncated = lines;
        truncated[2].chop(5);
        QTest::newRow("truncated line")
            << true << truncated.join('\n') << int(usbresult::kHexFormat);
        lines[1].back() = lines[1].back() == '0' ? '1' : '0';
        QTest::newRow("bad checksum") << true << lines.join('\n') << int(usbresult::kHexFormat);
        QByteArray garbage(10 << 20, Qt::Uninitialized);
        QRandomGenerator random(4421);
        random.fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);
        QTest::newRow("10 MB garbage") << true << garbage << int(usbresult::kHexFormat);
        const std::vector<HexSegment> beyond{{0x3FFE, {1, 2, 3}}};  // one byte past main RAM
        QTest::newRow("outside RAM") << true << QByteArray::fromStdString(writeIntelHex(beyond))
                                     << int(usbresult::kImageOutsideRam);
    }
    void badFirmware() {
        QFETCH(bool, present);
        QFETCH(QByteArray, content);
        QFETCH(int, code);
        FakeBoardBench b(present ? std::optional(content) : std::nullopt);
        QCOMPARE(b.prompt.messages.size(), std::size_t{1});
        QCOMPARE(b.prompt.messages[0].text, QString("No Evaluation Board Found"));
        QCOMPARE(b.prompt.messages[0].title, loadFailureTitle(code));
        QCOMPARE(b.prompt.messages[0].icon, Prompt::Icon::Exclamation);
        // The details name the file, and what to do about it.
        const QString& details = b.prompt.messages[0].details;
        QVERIFY2(details.contains(b.firmwareDir.filePath(BoardLink::kFirmwareFileName)),
                 qPrintable(details));
        QVERIFY(details.contains(QStringLiteral("What to do")));
        QCOMPARE(b.usb.loadResults, std::vector<int16_t>{int16_t(code)});
        // The start request is sent all the same and refused by the link.
        QCOMPARE(b.usb.requests.size(), std::size_t{1});
        QCOMPARE(b.usb.requests[0].request, int16_t{224});
        QCOMPARE(b.lastResult(), usbresult::kNotOpen);

        b.run({"click chkDAC_2", "type txtInput_0 1FFF", "click cmdX1A"});
        QCOMPARE(b.lastResult(), usbresult::kNotOpen);
        QCOMPARE(b.window.module().DACs(2).X1A, 0x1FFF);
        QCOMPARE(b.text("lblXA"), QString("1FFF"));
        QCOMPARE(b.text("lblOutputCode"), b.lastWordText());
        QCOMPARE(b.prompt.messages.size(), std::size_t{1});
        QCOMPARE(b.bus.traffic(), std::size_t{0});
    }
};

QTEST_MAIN(BoardFaultsTest)
#include "board_faults_test.moc"
