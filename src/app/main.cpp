// kteval: starts the main window over the real board link or the simulated
// board. Everything is wired here.
#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <memory>

#include "frm_main.h"
#include "indicator_cache_style.h"
#include "libusb_board.h"
#include "libusb_transport.h"
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

// --help and --version need no display: they are answered without the GUI.
bool onlyAsksForInformation(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version") {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<QCoreApplication> app =
        onlyAsksForInformation(argc, argv) ? std::make_unique<QCoreApplication>(argc, argv)
                                           : std::make_unique<QApplication>(argc, argv);
    if (qobject_cast<QApplication*>(app.get()) != nullptr) {
        QApplication::setStyle(new kteval::ui::IndicatorCacheStyle(QApplication::style()->name()));
    }
    QApplication::setApplicationName(QString::fromLatin1(kteval::ui::kApplicationTitle));
    QApplication::setApplicationVersion(QStringLiteral("1.05"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Control program for the KT44xx DAC evaluation board."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Work with a simulated evaluation board."));
    const QCommandLineOption part(
        QStringLiteral("part"),
        QStringLiteral("The fitted part (%1); no part dialog.").arg(partNames().join(", ")),
        QStringLiteral("NAME"));
    parser.addOption(simulate);
    parser.addOption(part);
    parser.process(*app);

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
        real = std::make_unique<kteval::LibusbBoard>(*transport, kteval::usbIdsFromEnvironment());
        board = real.get();
    }
    const std::unique_ptr<kteval::TracingUSBFunctions> trace =
        kteval::TracingUSBFunctions::fromEnvironment(*board);
    kteval::USBFunctions& usb = trace ? *trace : *board;

    kteval::ui::DialogPrompt prompt;
    kteval::ui::FrmMain window(usb, prompt, *chooser);
    prompt.setParent(&window);
    if (simulated) {
        window.setPartListener(
            [&simulated](const kteval::PartInfo& info) { simulated->setPart(info); });
    }
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
