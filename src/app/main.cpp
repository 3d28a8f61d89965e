// kteval: starts the main window over the real board link or the simulated
// board. Everything is wired here.
#include <QApplication>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board_check.h"
#include "calibration_store.h"
#include "command_line.h"
#include "firmware_search.h"
#include "frm_main.h"
#include "libusb_board.h"
#include "libusb_transport.h"
#include "load_advice.h"
#include "measure_dialog.h"
#include "measure_session.h"
#include "measuring.h"
#include "network_presence.h"
#include "part_catalogue.h"
#include "prompt.h"
#include "remote_server.h"
#include "request_trace.h"
#include "sequence_runner.h"
#include "session_recorder.h"
#include "setup_file.h"
#include "setup_session.h"
#include "simulated_board.h"
#include "termination_signals.h"
#include "usb_ids.h"
#include "vxi11_server.h"
#include "web_server.h"
#include "window_operations.h"

namespace {

constexpr const char* kVersion = "1.05";

// The executable's folder as the file system spells it.
std::string programDirectory(const std::string& programName) {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && executable.is_absolute()) return executable.parent_path().string();
    const std::filesystem::path named = std::filesystem::absolute(programName, error);
    return error ? std::string() : named.parent_path().string();
}

// The firmware's places: --firmware, or beside the program and the XDG data
// folders.
kteval::FirmwarePlaces firmwarePlaces(const kteval::cli::Options& options) {
    std::string file;
    if (options.firmware) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(*options.firmware, error);
        file = error ? *options.firmware : absolute.lexically_normal().string();
    }
    return kteval::firmwarePlacesFromEnvironment(programDirectory(options.qtArguments.front()),
                                                 std::move(file));
}

// --check: prints the diagnosis; 0 only when the chosen (or only) board is ready.
int runCheck(kteval::FirmwarePlaces places, const std::string& board) {
    kteval::LibusbTransport transport;
    const kteval::LibusbBoard link(transport, kteval::usbIdsFromEnvironment(),
                                   kteval::UsbIdCache(kteval::UsbIdCache::pathFromEnvironment()));
    const kteval::BoardCheck check = kteval::checkBoard(
        transport, {std::move(places), link.candidateIds(), link.extraIds().error,
                    kteval::udevRuleDirectories(KTEVAL_INSTALL_PREFIX), board});
    std::fputs(check.report.c_str(), stdout);
    return check.ready ? 0 : 1;
}

// Headless, standard error carries kteval's own lines: Qt's warnings about
// the missing desktop session (XDG_RUNTIME_DIR, the offscreen platform's
// window hints) are left out, its errors are not.
void printOnlyQtErrors(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

// The command line's values and the settings checked before anything starts,
// so that a refused one leaves no file and no window behind.
struct Start {
    std::optional<int> exitStatus;  // set when the program is not to start
    std::optional<kteval::ui::ListenAddress> listen;
    std::optional<kteval::ui::ListenAddress> web;
    const kteval::PartInfo* part = nullptr;
    std::vector<kteval::remote::SetupLine> setupLines;
    std::optional<kteval::SimulatedFault> fault;  // KTEVAL_SIMULATE_FAULT
    kteval::app::MeasuringStart measuring;
    std::chrono::nanoseconds requestTime{0};  // KTEVAL_SIMULATE_REQUEST_US
};
Start checkStart(const kteval::cli::Options& options) {
    Start start;
    const auto refuse = [&start](int status, const std::string& message) {
        std::fprintf(stderr, "kteval: %s\n", message.c_str());
        start.exitStatus = status;
        return std::move(start);
    };
    if (options.listen) {
        start.listen = kteval::ui::parseListenAddress(QString::fromLocal8Bit(*options.listen));
        if (!start.listen) {
            return refuse(2, "--listen wants [ADDR:]PORT, not '" + *options.listen + "'");
        }
        QString error;
        if (!kteval::ui::keepAliveFromEnvironment(error)) return refuse(2, error.toStdString());
    }
    if (options.web) {
        start.web = kteval::ui::parseListenAddress(QString::fromLocal8Bit(*options.web));
        if (!start.web) return refuse(2, "--web wants [ADDR:]PORT, not '" + *options.web + "'");
    }
    if (options.simulate) {
        const char* text = std::getenv(kteval::kSimulatedFaultVariable);
        const kteval::SimulatedFaultSetting fault = kteval::parseSimulatedFault(text ? text : "");
        if (fault.error) return refuse(2, *fault.error);
        start.fault = fault.fault;
        if (const char* us = std::getenv("KTEVAL_SIMULATE_REQUEST_US"); us && *us) {
            char* end = nullptr;
            const long value = std::strtol(us, &end, 10);
            if (*end != '\0' || value < 0 || value > 1'000'000) {
                return refuse(2, std::string("KTEVAL_SIMULATE_REQUEST_US wants microseconds "
                                             "from 0 to 1000000, not '") +
                                     us + "'");
            }
            start.requestTime = std::chrono::microseconds(value);
        }
    }
    if (options.headless && !options.part) {
        return refuse(2, "--headless needs --part: there is no part dialog");
    }
    if (options.part) {
        std::string name = *options.part;
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        start.part = kteval::findPart(name);
        if (start.part == nullptr) {
            return refuse(
                2, "unknown part '" + *options.part + "'; one of: " + kteval::cli::partNames());
        }
    }
    std::string measuringError;
    auto measuring = kteval::app::checkMeasuring(options, start.part, measuringError);
    if (!measuring) return refuse(2, measuringError);
    start.measuring = std::move(*measuring);
    // A setup that cannot be read is refused before anything is sent.
    if (options.setup) {
        std::string error;
        auto lines = kteval::remote::readSetupFile(*options.setup, error);
        if (!lines) return refuse(2, "cannot read the setup " + *options.setup + ": " + error);
        start.setupLines = std::move(*lines);
    }
    if (options.headless && !options.listen && !options.web && !options.setup &&
        start.measuring.job == kteval::app::MeasuringStart::Job::None) {
        return refuse(0, "--headless without --listen or --setup: nothing to do");
    }
    if (const std::optional<std::string> why = kteval::cli::missingDisplay(
            options, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
            std::getenv("QT_QPA_PLATFORM"))) {
        return refuse(1, *why);
    }
    return start;
}

}  // namespace

int main(int argc, char* argv[]) {
    const kteval::cli::ParsedCommandLine parsed =
        kteval::cli::parseCommandLine({argv, static_cast<std::size_t>(argc)});
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "kteval: %s\nTry 'kteval --help' for the options.\n",
                     parsed.error.c_str());
        return 1;
    }
    const kteval::cli::Options& options = parsed.options;
    if (options.help || options.helpAll) {
        std::fputs(kteval::cli::helpText(options.helpAll).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", kteval::ui::kApplicationTitle, kVersion);
        return 0;
    }
    const std::string boardChoice = kteval::cli::chosenBoard(options, std::getenv("KTEVAL_BOARD"));
    if (options.check) return runCheck(firmwarePlaces(options), boardChoice);
    Start start = checkStart(options);
    if (start.exitStatus) return *start.exitStatus;

    if (options.headless) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(printOnlyQtErrors);
    }
    // QApplication gets Qt's own options only; they stay alive as long as it.
    std::vector<std::string> qtArguments = options.qtArguments;
    std::vector<char*> qtArgv;
    for (std::string& argument : qtArguments) qtArgv.push_back(argument.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArguments.size());
    QApplication app(qtArgc, qtArgv.data());
    QApplication::setApplicationName(QString::fromLatin1(kteval::ui::kApplicationTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));

    // The recording is created only now that the program starts, before the
    // trace, so that a refused one leaves neither behind.
    kteval::remote::SessionRecorder recorder(std::cerr);
    if (options.record) {
        std::string error;
        if (!recorder.open(*options.record, error)) {
            std::fprintf(stderr, "kteval: cannot record to %s: %s\n", options.record->c_str(),
                         error.c_str());
            return 2;
        }
    }

    std::unique_ptr<kteval::ui::PartChooser> chooser;
    if (start.part != nullptr) {
        chooser = std::make_unique<kteval::ui::FixedPartChooser>(start.part->index);
    } else {
        chooser = std::make_unique<kteval::ui::DialogPartChooser>();
    }

    // The board: simulated, or the real one over libusb.
    std::unique_ptr<kteval::SimulatedBoard> simulated;
    std::unique_ptr<kteval::LibusbTransport> transport;
    std::unique_ptr<kteval::LibusbBoard> real;
    kteval::USBFunctions* board = nullptr;
    if (options.simulate) {
        simulated = std::make_unique<kteval::SimulatedBoard>(
            *kteval::findPart("KT4421"), kteval::AnalogModel(start.measuring.seed));
        simulated->setFault(start.fault);
        simulated->setRequestTime(start.requestTime);
        board = simulated.get();
    } else {
        transport = std::make_unique<kteval::LibusbTransport>();
        real = std::make_unique<kteval::LibusbBoard>(
            *transport, kteval::usbIdsFromEnvironment(),
            kteval::UsbIdCache(kteval::UsbIdCache::pathFromEnvironment()));
        real->chooseBoard(boardChoice);
        board = real.get();
    }
    // The board's name: a simulated board's is the one chosen, a real one's
    // its serial or port once loaded.
    const auto boardName = [&]() -> std::string { return real ? real->boardName() : boardChoice; };
    const std::unique_ptr<kteval::TracingUSBFunctions> trace =
        kteval::TracingUSBFunctions::fromEnvironment(*board);
    if (trace) trace->setBoardName(boardName);
    kteval::USBFunctions& usb = trace ? *trace : *board;

    kteval::ui::DialogPrompt dialogPrompt;
    kteval::ui::ConsolePrompt consolePrompt;
    kteval::ui::Prompt& prompt =
        options.headless ? static_cast<kteval::ui::Prompt&>(consolePrompt) : dialogPrompt;
    kteval::ui::FrmMain window(usb, prompt, *chooser);
    dialogPrompt.setParent(&window);
    window.setFirmwarePlaces(firmwarePlaces(options));
    window.setLoadAdvice([link = real.get()](int16_t code, const kteval::FirmwareChoice& image) {
        return kteval::loadFailureDetails(code, image, link);
    });
    if (simulated) {
        window.setPartListener(
            [&simulated](const kteval::PartInfo& info) { simulated->setPart(info); });
    }

    // Commands that arrive while the window loads wait for its boxes to close.
    kteval::ui::WindowOperations operations(window, simulated != nullptr);
    operations.setBoardName(boardName);
    kteval::ui::SequenceRunner sequences(window);
    operations.setSequenceRunner(&sequences);
    std::unique_ptr<kteval::ui::RemoteServer> server;
    std::unique_ptr<kteval::ui::Vxi11Server> vxi11;
    if (start.listen) {
        server = std::make_unique<kteval::ui::RemoteServer>(operations);
        if (!server->listen(*start.listen)) {
            std::fprintf(stderr, "kteval: cannot listen on %s: %s\n", options.listen->c_str(),
                         qPrintable(server->errorString()));
            return 2;
        }
        std::fprintf(stderr, "kteval: listening on %s\n", qPrintable(server->boundAddress()));
        // VXI-11's core channel on the same address, at a port of its own
        // that the portmapper tells clients.
        vxi11 = std::make_unique<kteval::ui::Vxi11Server>(operations);
        if (!vxi11->listen(start.listen->address)) {
            std::fprintf(stderr, "kteval: cannot listen for VXI-11 on %s: %s\n",
                         options.listen->c_str(), qPrintable(vxi11->errorString()));
            return 2;
        }
        std::fprintf(stderr, "kteval: VXI-11 on %s\n", qPrintable(vxi11->boundAddress()));
        if (const QString problem = vxi11->registerWithPortmapper(); !problem.isEmpty()) {
            std::fprintf(stderr, "kteval: %s\n", qPrintable(problem));
        }
        server->setOtherClients([&vxi11] { return vxi11->clientNames(); });
        vxi11->setOtherClients([&server] { return server->clientNames(); });
    }
    std::unique_ptr<kteval::ui::WebServer> web;
    if (start.web) {
        web = std::make_unique<kteval::ui::WebServer>(operations);
        if (server) {
            web->setControlPorts(server->port(), vxi11->port());
            web->addClientSource([&server, &vxi11] {
                std::vector<kteval::network::ClientEntry> clients;
                for (const QString& peer : server->clientNames()) {
                    clients.push_back({"socket", peer.toStdString()});
                }
                for (const QString& link : vxi11->clientNames()) {
                    clients.push_back({"VXI-11", link.toStdString()});
                }
                return clients;
            });
        }
        if (!web->listen(*start.web)) {
            std::fprintf(stderr, "kteval: cannot serve the web page on %s: %s\n",
                         options.web->c_str(), qPrintable(web->errorString()));
            return 2;
        }
        std::fprintf(stderr, "kteval: web page on %s\n", qPrintable(web->boundAddress()));
    }
    sequences.setIdleListener([&server, &vxi11] {
        if (server) server->resumeWaiting();
        if (vxi11) vxi11->resumeWaiting();
    });
    window.Form_Load();
    if (options.record && window.module().part() != nullptr) {
        recorder.begin(*window.module().part(), kVersion);
        window.setActionListener(&recorder);
    }
    // Announced once the part and the board's name are known.
    std::unique_ptr<kteval::network::Announcer> announcer;
    if (!options.noAnnounce && (server || web)) {
        const kteval::network::NetworkPorts ports{
            server ? std::optional<uint16_t>(server->port()) : std::nullopt,
            vxi11 ? std::optional<uint16_t>(vxi11->port()) : std::nullopt,
            web ? std::optional<uint16_t>(web->port()) : std::nullopt};
        announcer =
            kteval::ui::announceOnNetwork(kteval::network::identityOf(operations, "", ports),
                                          server ? std::optional(server->address()) : std::nullopt,
                                          web ? std::optional(web->address()) : std::nullopt);
    }
    // A server ends normally on SIGTERM as well: its portmapper entry goes.
    if (options.headless || start.listen) kteval::ui::quitOnTerminationSignals(app);
    if (!options.headless) window.show();
    // The meter answers before any setup or client may use it. The board's
    // calibration is written again only when asked for.
    kteval::measure::CalibrationStore calibrations(kteval::measure::calibrationPath(
        kteval::app::boardName(simulated != nullptr, start.measuring.seed, boardName())));
    operations.setCalibrationStore(&calibrations);
    kteval::app::Meters meters(
        start.measuring, operations, simulated.get(),
        [&window](int number) {
            return window.prompt().confirm(
                QStringLiteral("Put the meter's probe on the output of DAC%1.").arg(number),
                QStringLiteral("Move the Probe"));
        },
        calibrations);
    if (start.measuring.meter && window.module().part() != nullptr) {
        try {
            meters.open(start.measuring.meter->text());
        } catch (const kteval::meter::MeterFailure& failure) {
            std::fprintf(stderr, "kteval: %s\n", failure.what());
            return 2;
        }
    }
    if (!options.headless && window.module().part() != nullptr) {
        const QString address = QString::fromStdString(
            start.measuring.meter ? start.measuring.meter->text()
                                  : (simulated ? "simulated" : "tcp:HOST:5025"));
        kteval::ui::addMeasureMenu(window, [&window, &operations, &meters, address] {
            kteval::ui::MeasureDialog dialog(
                operations, [&meters](const std::string& at) -> auto& { return meters.open(at); },
                address, &window);
            dialog.exec();
        });
    }
    if (options.applyCalibration && window.module().part() != nullptr) {
        if (const std::string error = operations.applyCalibration(); !error.empty()) {
            window.prompt().message(QString::fromStdString(error),
                                    QStringLiteral("Calibration Not Applied"),
                                    kteval::ui::Prompt::Icon::Exclamation);
            if (options.headless) return 1;
        }
    }
    if (start.measuring.job != kteval::app::MeasuringStart::Job::None) {
        kteval::ui::MeasureSession session(operations, *meters.current(),
                                           start.measuring.channelIndices, start.measuring.codes,
                                           start.measuring.outDir);
        if (start.measuring.job == kteval::app::MeasuringStart::Job::Calibrate) {
            return session.calibrate();
        }
        session.characterise();
        // Ctrl-C ends the event loop before the run: what was measured is kept.
        QApplication::exec();
        if (const std::optional<int> status = session.status()) return *status;
        return session.calledOff();
    }
    if (options.setup &&
        !kteval::ui::applySetup(window, operations, *options.setup, start.setupLines) &&
        options.headless) {
        return 1;
    }
    // Without a window or a server there is nothing more to do. A setup
    // whose words did not all reach the board has not been applied.
    if (options.setup && options.headless && !options.listen && !options.web) {
        if (const int failed = window.link().failedCalls(); failed > 0) {
            std::fprintf(stderr, "kteval: the setup did not reach the board: %d request%s failed\n",
                         failed, failed == 1 ? "" : "s");
            return 1;
        }
        return 0;
    }
    return QApplication::exec();
}
