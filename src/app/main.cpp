// kteval: starts the main window over the real board link or the simulated
// board. Everything is wired here.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "board_check.h"
#include "firmware_search.h"
#include "frm_main.h"
#include "libusb_board.h"
#include "libusb_transport.h"
#include "load_advice.h"
#include "part_catalogue.h"
#include "prompt.h"
#include "remote_server.h"
#include "request_trace.h"
#include "session_recorder.h"
#include "setup_file.h"
#include "setup_session.h"
#include "simulated_board.h"
#include "termination_signals.h"
#include "usb_ids.h"
#include "window_operations.h"

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

// The executable's folder as the file system spells it. Qt decodes file
// names as UTF-8 and answers an empty folder for one that is not.
std::string programDirectory() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && executable.is_absolute()) return executable.parent_path().string();
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
}

// The bytes of the last --firmware argument: a file name that is not UTF-8
// does not survive QString. Empty when there is none.
std::string rawFirmwareArgument(int argc, char* argv[]) {
    std::string value;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--") break;
        if (arg == "--firmware" && i + 1 < argc) {
            value = argv[++i];
        } else if (arg.starts_with("--firmware=")) {
            value = arg.substr(std::string_view("--firmware=").size());
        }
    }
    return value;
}

// The firmware's places: --firmware, or beside the program and the XDG data
// folders.
kteval::FirmwarePlaces firmwarePlaces(const QCommandLineParser& parser,
                                      const QCommandLineOption& firmware, int argc, char* argv[]) {
    std::string file;
    if (parser.isSet(firmware)) {
        // argv keeps the name's bytes; a QString keeps only what is UTF-8.
        std::string name = rawFirmwareArgument(argc, argv);
        if (name.empty()) name = QFile::encodeName(parser.value(firmware)).toStdString();
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(name, error);
        file = error ? name : absolute.lexically_normal().string();
    }
    return kteval::firmwarePlacesFromEnvironment(programDirectory(), std::move(file));
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

// --headless needs no display: the offscreen platform is chosen before the
// application starts.
bool runsHeadless(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--headless") return true;
    }
    return false;
}

// Headless, standard error carries kteval's own lines: Qt's warnings about
// the missing desktop session (XDG_RUNTIME_DIR, the offscreen platform's
// window hints) are left out, its errors are not.
void printOnlyQtErrors(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (runsHeadless(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(printOnlyQtErrors);
    }
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
                       "  KTEVAL_SIMULATE_FAULT=KIND@N  --simulate: fail calls from the Nth on\n"
                       "                                (KIND unplugged, timeout or loadfail)\n"
                       "  KTEVAL_KEEPALIVE=IDLE,INTERVAL,COUNT\n"
                       "                                keepalive of remote clients: first probe\n"
                       "                                after IDLE s, every INTERVAL s, COUNT\n"
                       "                                unanswered ones close (default 60,10,6)\n"
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
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Take remote commands on TCP port PORT (5025 is usual) of ADDR "
                       "(default 127.0.0.1; * for every interface)."),
        QStringLiteral("[ADDR:]PORT"));
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("Show no window and need no display (with --part; "
                       "for --listen or --setup): messages go to standard error."));
    const QCommandLineOption firmware(
        QStringLiteral("firmware"),
        QStringLiteral("Load the firmware image FILE instead of looking for KT4421SPI.hex beside "
                       "the program, in $XDG_DATA_HOME/kteval and in each $XDG_DATA_DIRS "
                       "entry's kteval folder."),
        QStringLiteral("FILE"));
    const QCommandLineOption checkOption(
        QStringLiteral("check"),
        QStringLiteral("Print a diagnosis of the board link (firmware file, USB boards, access, "
                       "udev rule) and exit: status 0 when a board is ready, 1 otherwise. Needs no "
                       "display."));
    parser.addOption(simulate);
    parser.addOption(part);
    parser.addOption(firmware);
    parser.addOption(listen);
    parser.addOption(headless);
    parser.addOption(checkOption);
    // --- Setups and recordings ---
    const QCommandLineOption setup(
        QStringLiteral("setup"),
        QStringLiteral("After start-up, run the commands of FILE (one command line a line, # "
                       "comments; a saved *LRN? answer is one) as a remote client would. The "
                       "first refused line stops it with a message; headless, kteval then exits "
                       "with status 1 (and with 0 after the last line when it does not "
                       "--listen)."),
        QStringLiteral("FILE"));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Append every action that reaches the board, the operator's and the "
                       "clients', to FILE as its command line, a setup that replays the session."),
        QStringLiteral("FILE"));
    parser.addOption(setup);
    parser.addOption(record);
    parser.process(*app);
    if (parser.isSet(checkOption)) return runCheck(firmwarePlaces(parser, firmware, argc, argv));

    std::optional<kteval::ui::ListenAddress> listenAddress;
    if (parser.isSet(listen)) {
        listenAddress = kteval::ui::parseListenAddress(parser.value(listen));
        if (!listenAddress) {
            std::fprintf(stderr, "kteval: --listen wants [ADDR:]PORT, not '%s'\n",
                         qPrintable(parser.value(listen)));
            return 2;
        }
    }
    if (parser.isSet(headless) && !parser.isSet(part)) {
        std::fprintf(stderr, "kteval: --headless needs --part: there is no part dialog\n");
        return 2;
    }

    // A setup that cannot be read, or a recording that cannot be written, is
    // refused before anything is sent.
    std::vector<kteval::remote::SetupLine> setupLines;
    if (parser.isSet(setup)) {
        std::string error;
        auto lines = kteval::remote::readSetupFile(
            QFile::encodeName(parser.value(setup)).toStdString(), error);
        if (!lines) {
            std::fprintf(stderr, "kteval: cannot read the setup %s: %s\n",
                         qPrintable(parser.value(setup)), error.c_str());
            return 2;
        }
        setupLines = std::move(*lines);
    }
    kteval::remote::SessionRecorder recorder(std::cerr);
    if (parser.isSet(record)) {
        std::string error;
        if (!recorder.open(QFile::encodeName(parser.value(record)).toStdString(), error)) {
            std::fprintf(stderr, "kteval: cannot record to %s: %s\n",
                         qPrintable(parser.value(record)), error.c_str());
            return 2;
        }
    }

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
        if (const std::optional<std::string> error = simulated->faultFromEnvironment()) {
            std::fprintf(stderr, "kteval: %s\n", error->c_str());
            return 2;
        }
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

    kteval::ui::DialogPrompt dialogPrompt;
    kteval::ui::ConsolePrompt consolePrompt;
    kteval::ui::Prompt& prompt =
        parser.isSet(headless) ? static_cast<kteval::ui::Prompt&>(consolePrompt) : dialogPrompt;
    kteval::ui::FrmMain window(usb, prompt, *chooser);
    dialogPrompt.setParent(&window);
    window.setFirmwarePlaces(firmwarePlaces(parser, firmware, argc, argv));
    window.setLoadAdvice([link = real.get()](int16_t code, const kteval::FirmwareChoice& image) {
        return kteval::loadFailureDetails(code, image, link);
    });
    if (simulated) {
        window.setPartListener(
            [&simulated](const kteval::PartInfo& info) { simulated->setPart(info); });
    }

    // Commands that arrive while the window loads wait for its boxes to close.
    kteval::ui::WindowOperations operations(window, simulated != nullptr);
    std::unique_ptr<kteval::ui::RemoteServer> server;
    if (listenAddress) {
        server = std::make_unique<kteval::ui::RemoteServer>(operations);
        if (!server->listen(*listenAddress)) {
            std::fprintf(stderr, "kteval: cannot listen on %s: %s\n",
                         qPrintable(parser.value(listen)), qPrintable(server->errorString()));
            return 2;
        }
        std::fprintf(stderr, "kteval: listening on %s\n", qPrintable(server->boundAddress()));
    }
    window.Form_Load();
    if (parser.isSet(record) && window.module().part() != nullptr) {
        recorder.begin(*window.module().part(), QApplication::applicationVersion().toStdString());
        window.setActionListener(&recorder);
    }
    if (parser.isSet(headless)) {
        kteval::ui::quitOnTerminationSignals(*app);
    } else {
        window.show();
    }
    if (parser.isSet(setup) &&
        !kteval::ui::applySetup(window, operations, parser.value(setup).toStdString(),
                                setupLines) &&
        parser.isSet(headless)) {
        return 1;
    }
    // Without a window or a server there is nothing more to do.
    if (parser.isSet(setup) && parser.isSet(headless) && !parser.isSet(listen)) return 0;
    return QApplication::exec();
}
