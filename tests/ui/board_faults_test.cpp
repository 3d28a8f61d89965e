// The main window over the real board link when the board misbehaves: its
// transfers time out, or the firmware file is bad. Requests' results are never
// shown, the window keeps working and keeps what the operator wrote, and
// "Reload USB" finds the board again. (Which fault gives which code, and a
// failed reload that keeps the link, are the link's own tests.) The faults are
// scripted on a fake EZ-USB bus below the real LibusbBoard; every library
// call and its result are recorded at the USBFunctions seam (RecordingUsb).
#include <QtTest>

#include <optional>
#include <vector>

#include "fake_usb_transport.h"
#include "harness.h"
#include "intel_hex.h"
#include "libusb_board.h"
#include "load_advice.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

// A small image in both RAM areas of the loader, longer than one chunk.
QByteArray goodFirmware() {
    std::vector<uint8_t> code(1500);
    for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<uint8_t>(i * 7 + 3);
    const std::vector<HexSegment> image{{0x0000, code}, {0xE000, {0x12, 0x34, 0x56}}};
    return QByteArray::fromStdString(writeIntelHex(image));
}

// A started main window for part index 5 (KT4421). firmware: the content of
// KT4421SPI.hex, or no file at all.
class FakeBoardBench {
  public:
    static constexpr int kKT4421 = 5;

    explicit FakeBoardBench(const std::optional<QByteArray>& firmware) {
        window.setFirmwareDirectory(firmwareDir.path());
        window.setLoadAdvice([this](int16_t code, const FirmwareChoice& image) {
            return loadFailureDetails(code, image, &link);
        });
        if (firmware) writeFirmwareFile(firmwareDir, *firmware);
        window.Form_Load();
    }

    void run(const QStringList& steps) { operate(window, steps); }
    QString text(const QString& label) { return control<QLabel>(window, label)->text(); }
    int16_t lastResult() const { return window.link().LastResult; }
    // The word lblOutputCode should show after the last word sent.
    QString lastWordText() const {
        const std::vector<int32_t> sent = usb.words();
        return sent.empty() ? QString() : wordText(sent.back());
    }

    QTemporaryDir firmwareDir;
    FakeUsbTransport bus;
    FakeEzUsbBoard& board = bus.addLoader();
    LibusbBoard link{bus};
    RecordingUsb usb{&link};
    RecordingPrompt prompt;
    FixedPartChooser chooser{kKT4421};
    FrmMain window{usb, prompt, chooser};
};

}  // namespace

class BoardFaultsTest : public QObject {
    Q_OBJECT

  private slots:
    void failingRequestsAreSilentAndReloadRecovers() {
        FakeBoardBench b(goodFirmware());
        QCOMPARE(b.usb.loadResults, std::vector<int16_t>{usbresult::kOk});
        QVERIFY(b.prompt.messages.empty() && b.board.firmwareRunning());
        b.run({"click chkDAC_3", "type txtInput_0 1234", "click cmdX1A"});
        QCOMPARE(b.lastResult(), int16_t{0});
        const std::size_t reached = b.board.firmwareRequests().size();  // start and the word

        // Far more than the session below sends: every transfer times out. Every
        // request is still sent and fails with the fault's code, unreported;
        // the window shows and keeps what the operator wrote.
        b.board.transferFaults.assign(64, UsbStatus::Timeout);
        const std::size_t firstFaulty = b.usb.requests.size();
        b.run({"click chkDAC_7", "type txtInput_0 0ABC", "click cmdX1A",
               "type txtOffsetValue_1 2AAA", "click cmdOFFSET_1", "click optAB_1",
               "type txtInput_0 0DEF", "click cmdX1A"});
        QCOMPARE(b.text("lblXB") + b.text("lblXA"), QString("0DEF0ABC"));
        QCOMPARE(b.text("lblOutputCode"), b.lastWordText());
        const std::vector<int16_t> results(b.usb.requestResults.begin() + long(firstFaulty),
                                           b.usb.requestResults.end());
        QCOMPARE(results, std::vector<int16_t>(4, usbresult::kTimeout));
        QCOMPARE(b.board.firmwareRequests().size(), reached);
        QVERIFY(b.prompt.messages.empty());
        const KT442xModule& model = b.window.module();
        QVERIFY(model.DACs(3).X1A == 0x1234 && model.DACs(7).X1B == 0x0DEF &&
                model.OffsetCode[1] == 0x2AAA);

        // Reloading before the board is back is reported once; requests then
        // fail as before any load.
        b.window.mnuReload_Click();
        QCOMPARE(b.prompt.messages.size(), std::size_t{1});
        QCOMPARE(b.prompt.messages[0].title, loadFailureTitle(usbresult::kLoadIoError));
        QCOMPARE(b.lastResult(), usbresult::kNotOpen);

        b.board.transferFaults.clear();
        b.window.mnuReload_Click();
        QCOMPARE(b.prompt.messages.size(), std::size_t{1});
        QCOMPARE(b.board.firmwareRequests().size(), reached + 3);  // start, RESET low, high
        b.run({"type txtInput_0 0123", "click cmdX1A"});
        const FakeTransfer& last = b.board.firmwareRequests().back();
        QCOMPARE(last.request, uint8_t{221});
        QCOMPARE(int32_t(last.index) << 16 | last.value, b.usb.words().back());
    }

    // A missing or spoilt image: the box names the code, the file and what to
    // do; the window works on without a link and sends nothing over USB.
    void badFirmwareIsReportedAndTheWindowWorksOn_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("code");
        QTest::newRow("missing") << false << QByteArray() << int(usbresult::kFirmwareUnreadable);
        QList<QByteArray> lines = goodFirmware().split('\n');
        lines[1].back() = lines[1].back() == '0' ? '1' : '0';
        QTest::newRow("bad checksum") << true << lines.join('\n') << int(usbresult::kHexFormat);
    }
    void badFirmwareIsReportedAndTheWindowWorksOn() {
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
