// The main window over the real board link on a fake EZ-USB bus whose
// transfers time out or whose firmware file is bad. (Which fault gives which
// code is the link's own test.)
#include <QtTest>

#include <optional>

#include "fake_usb_transport.h"
#include "harness.h"
#include "intel_hex.h"
#include "libusb_board.h"
#include "load_advice.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

// An image in both RAM areas of the loader, longer than one chunk.
QByteArray goodFirmware() {
    std::vector<uint8_t> code(1500);
    for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<uint8_t>(i * 7 + 3);
    const std::vector<HexSegment> image{{0x0000, code}, {0xE000, {0x12, 0x34, 0x56}}};
    return QByteArray::fromStdString(writeIntelHex(image));
}

// A started KT4421 window; firmware: KT4421SPI.hex's content, or no file.
struct FakeBoardBench {
    explicit FakeBoardBench(const std::optional<QByteArray>& firmware) {
        window.setFirmwareDirectory(firmwareDir.path());
        window.setLoadAdvice([this](int16_t code, const FirmwareChoice& image) {
            return loadFailureDetails(code, image, &link);
        });
        if (firmware) writeFirmwareFile(firmwareDir, *firmware);
        window.Form_Load();
    }
    QString text(const QString& label) { return control<QLabel>(window, label)->text(); }
    int16_t lastResult() const { return window.link().LastResult; }
    QString title(int code) const { return QStringLiteral("KT4421: %1").arg(code); }

    QTemporaryDir firmwareDir;
    FakeUsbTransport bus;
    FakeEzUsbBoard& board = bus.addLoader();
    LibusbBoard link{bus};
    RecordingUsb usb{&link};
    RecordingPrompt prompt;
    FixedPartChooser chooser{5};
    FrmMain window{usb, prompt, chooser};
};

}  // namespace

class BoardFaultsTest : public QObject {
    Q_OBJECT

  private slots:
    // Catches a request's failure shown or stopping the window, the operator's
    // values lost, a failed reload not reported, and a reload that does not
    // find the board again.
    void failingRequestsAreSilentAndReloadRecovers() {
        FakeBoardBench b(goodFirmware());
        QVERIFY(b.prompt.messages.empty() && b.board.firmwareRunning());
        const std::size_t reached = b.board.firmwareRequests().size();
        b.board.transferFaults.assign(64, UsbStatus::Timeout);
        operate(b.window, {"click chkDAC_7", "type txtInput_0 0ABC", "click cmdX1A",
                           "type txtOffsetValue_1 2AAA", "click cmdOFFSET_1"});
        QCOMPARE(b.text("lblXA"), "0ABC");
        QCOMPARE(b.text("lblOutputCode"), wordText(b.usb.words().back()));
        QCOMPARE(b.usb.requestResults.back(), usbresult::kTimeout);
        QCOMPARE(b.board.firmwareRequests().size(), reached);
        QVERIFY(b.prompt.messages.empty());
        QVERIFY(b.window.module().DACs(7).X1A == 0x0ABC &&
                b.window.module().OffsetCode[1] == 0x2AAA);

        b.window.mnuReload_Click();  // before the board is back
        QCOMPARE(b.prompt.messages.size(), std::size_t{1});
        QCOMPARE(b.prompt.messages[0].title, b.title(usbresult::kLoadIoError));
        QCOMPARE(b.lastResult(), usbresult::kNotOpen);
        b.board.transferFaults.clear();
        b.window.mnuReload_Click();
        QCOMPARE(b.prompt.messages.size(), std::size_t{1});
        operate(b.window, {"type txtInput_0 0123", "click cmdX1A"});
        const FakeTransfer& last = b.board.firmwareRequests().back();
        QCOMPARE(last.request, uint8_t{221});
        QCOMPARE(int32_t(last.index) << 16 | last.value, b.usb.words().back());
    }

    // Catches a missing or spoilt image not reported with its code, file and
    // advice, or the window not working on without a link.
    void badFirmwareIsReportedAndTheWindowWorksOn() {
        QList<QByteArray> lines = goodFirmware().split('\n');
        lines[1].back() = lines[1].back() == '0' ? '1' : '0';
        for (const auto& [content, code] :
             {std::pair{std::optional<QByteArray>(), usbresult::kFirmwareUnreadable},
              {std::optional(lines.join('\n')), usbresult::kHexFormat}}) {
            FakeBoardBench b(content);
            QCOMPARE(b.prompt.messages.size(), std::size_t{1});
            const Message& box = b.prompt.messages[0];
            QCOMPARE(box.text + "|" + box.title, "No Evaluation Board Found|" + b.title(code));
            QCOMPARE(box.icon, Prompt::Icon::Exclamation);
            QVERIFY2(box.details.contains(b.firmwareDir.filePath(BoardLink::kFirmwareFileName)) &&
                         box.details.contains("What to do"),
                     qPrintable(box.details));
            QCOMPARE(b.usb.loadResults, std::vector<int16_t>{code});
            // The start request is sent all the same and refused by the link.
            QCOMPARE(b.usb.requests.size(), std::size_t{1});
            QCOMPARE(b.usb.requests[0].request, int16_t{224});
            operate(b.window, {"click chkDAC_2", "type txtInput_0 1FFF", "click cmdX1A"});
            QCOMPARE(b.lastResult(), usbresult::kNotOpen);
            QCOMPARE(b.text("lblXA"), "1FFF");
            QCOMPARE(b.prompt.messages.size(), std::size_t{1});
            QCOMPARE(b.bus.traffic(), std::size_t{0});
        }
    }
};

QTEST_MAIN(BoardFaultsTest)
#include "board_faults_test.moc"
