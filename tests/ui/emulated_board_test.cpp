// The main window over the real board link and real libusb, with the EZ-USB
// board emulated below libusb: start-up loads the firmware and the chip
// follows the window. (Unplug and reload, and a failed reload that keeps the
// running board: the link's own tests.)
#include <QtTest>

#include "emulated_test_support.h"
#include "harness.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;
using namespace kteval::emulation::support;

namespace {

constexpr int kKT4421 = 5;

QByteArray firmwareImage() {
    return QByteArray::fromStdString(writeIntelHex(testing_support::sampleImage(), 16));
}

// A started main window for a KT4421 over LibusbBoard and libusb on the
// emulated bus.
class EmulatedBench {
  public:
    EmulatedBench() {
        window.setFirmwareDirectory(firmwareDir.path());
        writeFirmwareFile(firmwareDir, firmwareImage());
        window.Form_Load();
    }

    void run(const QStringList& steps) { operate(window, steps); }
    int16_t lastResult() const { return window.link().LastResult; }

    emulation::EmulatedEzUsbBoard board;  // before libusb: it sets up the bus
    LibusbTransport transport;
    LibusbBoard link{transport, kFirmwareIds};
    QTemporaryDir firmwareDir;
    RecordingUsb usb{&link};
    RecordingPrompt prompt;
    FixedPartChooser chooser{kKT4421};
    FrmMain window{usb, prompt, chooser};
};

}  // namespace

class EmulatedBoardTest : public QObject {
    Q_OBJECT

  private slots:
    // Start-up loads the firmware through libusb and starts it; the words of
    // an input code, a gain and an LDAC pulse land in the chip's registers.
    void sessionReachesTheChip() {
        EmulatedBench b;
        QVERIFY(b.prompt.messages.empty());
        QCOMPARE(b.board.startRequests(), 1);
        QVERIFY(b.board.presence().id == kFirmwareId);

        b.run({"click chkDAC_6", "type txtInput_0 1234", "click cmdX1A", "type txtInput_0 3000",
               "click cmdM", "click cmdLDAC"});
        QCOMPARE(b.lastResult(), int16_t{0});
        const ChipState chip = b.board.chip();
        const DAC& model = b.window.module().DACs(6);
        QCOMPARE(chip.channels[6].X1A, model.X1A);
        QCOMPARE(chip.channels[6].M, model.M);
        QCOMPARE(chip.channels[6].DACreg, model.DACreg);
        QCOMPARE(chip.channels[6].X1A, 0x1234);
    }
};

QTEST_MAIN(EmulatedBoardTest)
#include "emulated_board_test.moc"
