#pragma once

// The real main window over the real board link (LibusbBoard) on a fake
// EZ-USB bus: the firmware file is written into a private folder, the board's
// faults are scripted on the fake, and every library call and its result are
// recorded at the USBFunctions seam (RecordingUsb).

#include <QTemporaryDir>
#include <optional>
#include <vector>

#include "fake_usb_transport.h"
#include "harness.h"
#include "intel_hex.h"
#include "libusb_board.h"
#include "load_advice.h"

namespace kteval::ui::test {

// A small image in both RAM areas of the loader, longer than one chunk.
inline QByteArray goodFirmware() {
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

}  // namespace kteval::ui::test
