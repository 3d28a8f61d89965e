// kteval: starts the main window over the real board link or the simulated
// board. Everything is wired here.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <memory>

#include "board_check.h"
#include "firmware_search.h"
#include "frm_main.h"
#include "libusb_board.h"
#include "libusb_transport.h"
#include "load_advice.h"
#include "part_catalogue.h"
#include "prompt.h"
#include "request_trace.h"
#include "simulated_board.h"
#include "usb_ids.h"

namespace {

QStringList partNames() {
    QStringList names;
    for (const kteval::PartInfo& part : kteval::partCatalogue()) {
        names << QString::fromUtf8(part.name.data(), static_cast<qsizetype>(part.name.size()));
    }
    return names;
}

// --help, --version and --check need no display: they are answered without
// the GUI.
bool onlyAsksForInformation(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version" || arg == "--check") {
            return true;
        }
    }
    return false;
}

// The firmware's places: --firmware, or beside the program and the XDG data
// folders.
kteval::FirmwarePlaces firmwarePlaces(const QCommandLineParser& parser,
                                      const QCommandLineOption& firmware) {
    const QString file =
        parser.isSet(firmware) ? QFileInfo(parser.value(firmware)).absoluteFilePath() : QString();
    return kteval::firmwarePlacesFromEnvironment(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString(),
        QFile::encodeName(file).toStdString());
}

// --check: prints the diagnosis; 0 only when a board is ready.
int runCheck(kteval::FirmwarePlaces places) {
    kteval::LibusbTransport transport;
    const kteval::LibusbBoard link(transport, kteval::usbIdsFromEnvironment(),
                                   kteval::UsbIdCache(kteval::UsbIdCache::pathFromEnvironment()));
    const kteval::BoardCheck check = kteval::checkBoard(
        transport, {std::move(places), link.candidateIds(), link.extraIds().error,
                    kteval::udevRuleDirectories(KTEVAL_INSTALL_PREFIX)});
    std::fputs(check.report.c_str(), stdout);
    return check.ready ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<QCoreApplication> app =
        onlyAsksForInformation(argc, argv) ? std::make_unique<QCoreApplication>(argc, argv)
                                           : std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kteval::ui::kApplicationTitle));
    QApplication::setApplicationVersion(QStringLiteral("1.05"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Control program for the KT44xx DAC evaluation board.\n\n"
                       "Environment:\n"
                       "  KTEVAL_USB_IDS=vvvv:pppp,...  further USB IDs of the board\n"
                       "  KTEVAL_TRACE=FILE             append every board request to FILE\n"
                       "  XDG_DATA_HOME, XDG_DATA_DIRS  where KT4421SPI.hex is looked for\n"
                       "  XDG_CACHE_HOME                where board IDs are remembered\n"
                       "                                (kteval/usb-ids)"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Work with a simulated evaluation board."));
    const QCommandLineOption part(
        QStringLiteral("part"),
        QStringLiteral("The fitted part (%1); no part dialog.").arg(partNames().join(", ")),
        QStringLiteral("NAME"));
    const QCommandLineOption firmware(
        QStringLiteral("firmware"),
        QStringLiteral("Load the firmware image FILE instead of looking for KT4421SPI.hex beside "
                       "the program, in $XDG_DATA_HOME/kteval and in each $XDG_DATA_DIRS "
                       "entry's kteval folder."),
        QStringLiteral("FILE"));
    parser.addOption(simulate);
    parser.addOption(part);
    const QCommandLineOption checkOption(
        QStringLiteral("check"),
        QStringLiteral("Print a diagnosis of the board link (firmware file, USB boards, access, "
                       "udev rule) and exit: status 0 when a board is ready, 1 otherwise. Needs no "
                       "display."));
    parser.addOption(firmware);
    parser.addOption(checkOption);
    parser.process(*app);
    if (parser.isSet(checkOption)) return runCheck(firmwarePlaces(parser, firmware));

    std::unique_ptr<kteval::ui::PartChooser> chooser;
    if (parser.isSet(part)) {
        const QString name = parser.value(part).toUpper();
        const kteval::PartInfo* info = kteval::findPart(name.toStdString());
        if (info == nullptr) {
            std::fprintf(stderr, "kteval: unknown part '%s'; one of: %s\n",
                         qPrintable(parser.value(part)), qPrintable(partNames().join(", ")));
            return 2;
        }
        chooser = std::make_unique<kteval::ui::FixedPartChooser>(info->index);
    } else {
        chooser = std::make_unique<kteval::ui::DialogPartChooser>();
    }

    // The board: simulated, or the real one over libusb.
    std::unique_ptr<kteval::SimulatedBoard> simulated;
    std::unique_ptr<kteval::LibusbTransport> transport;
    std::unique_ptr<kteval::LibusbBoard> real;
    kteval::USBFunctions* board = nullptr;
    if (parser.isSet(simulate)) {
        simulated = std::make_unique<kteval::SimulatedBoard>();
        board = simulated.get();
    } else {
        transport = std::make_unique<kteval::LibusbTransport>();
        real = std::make_unique<kteval::LibusbBoard>(
            *transport, kteval::usbIdsFromEnvironment(),
            kteval::UsbIdCache(kteval::UsbIdCache::pathFromEnvironment()));
        board = real.get();
    }
    const std::unique_ptr<kteval::TracingUSBFunctions> trace =
        kteval::TracingUSBFunctions::fromEnvironment(*board);
    kteval::USBFunctions& usb = trace ? *trace : *board;

    kteval::ui::DialogPrompt prompt;
    kteval::ui::FrmMain window(usb, prompt, *chooser);
    prompt.setParent(&window);
    window.setFirmwarePlaces(firmwarePlaces(parser, firmware));
    window.setLoadAdvice([link = real.get()](int16_t code, const kteval::FirmwareChoice& image) {
        return kteval::loadFailureDetails(code, image, link);
    });
    if (simulated) {
        window.setPartListener(
            [&simulated](const kteval::PartInfo& info) { simulated->setPart(info); });
    }
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
