#include "command_line.h"

#include <algorithm>
#include <array>

#include "part_catalogue.h"

namespace kteval::cli {

namespace {

// One option of kteval's own: a switch (flag) or one with a value (value).
struct OptionRow {
    std::string_view name;  // without the "--"
    bool Options::*flag = nullptr;
    std::optional<std::string> Options::*value = nullptr;
    std::string_view valueName = {};
    std::string_view help = {};  // "{parts}" stands for the part names
};

// In the order --help lists them. -h and -v are the short forms of help and
// version.
const std::array kOptions{
    OptionRow{
        .name = "help", .flag = &Options::help, .help = "Displays help on commandline options."},
    OptionRow{.name = "help-all",
              .flag = &Options::helpAll,
              .help = "Displays help including Qt specific options."},
    OptionRow{
        .name = "version", .flag = &Options::version, .help = "Displays version information."},
    OptionRow{.name = "simulate",
              .flag = &Options::simulate,
              .help = "Work with a simulated evaluation board."},
    OptionRow{.name = "board",
              .value = &Options::board,
              .valueName = "ID",
              .help = "With several boards connected: work with the one whose USB serial number "
                      "or port (1-4.2: bus, then the ports joined by '.') is ID, as --check "
                      "lists them (default $KTEVAL_BOARD). With --simulate: the simulated "
                      "board's name."},
    OptionRow{.name = "part",
              .value = &Options::part,
              .valueName = "NAME",
              .help = "The fitted part ({parts}); no part dialog."},
    OptionRow{.name = "firmware",
              .value = &Options::firmware,
              .valueName = "FILE",
              .help = "Load the firmware image FILE instead of looking for KT4421SPI.hex beside "
                      "the program, in $XDG_DATA_HOME/kteval and in each $XDG_DATA_DIRS entry's "
                      "kteval folder."},
    OptionRow{.name = "listen",
              .value = &Options::listen,
              .valueName = "[ADDR:]PORT",
              .help = "Take remote commands on TCP port PORT (5025 is usual) of ADDR (default "
                      "127.0.0.1; * for every IPv4 and IPv6 address), and over VXI-11 "
                      "(TCPIP::ADDR::INSTR) on the same address, at a port registered with "
                      "rpcbind."},
    OptionRow{.name = "web",
              .value = &Options::web,
              .valueName = "[ADDR:]PORT",
              .help = "Serve a read-only status page (/) and the LXI identification "
                      "(/lxi/identification) over HTTP on TCP port PORT (80 is usual) of ADDR "
                      "(as --listen)."},
    OptionRow{.name = "no-announce",
              .flag = &Options::noAnnounce,
              .help = "Do not announce --listen and --web on the network over mDNS (Avahi); "
                      "they are announced when listening on an address other than loopback."},
    OptionRow{.name = "headless",
              .flag = &Options::headless,
              .help = "Show no window and need no display (with --part; for --listen, --web "
                      "or --setup, else there is nothing to do): messages go to standard error."},
    OptionRow{.name = "check",
              .flag = &Options::check,
              .help = "Print a diagnosis of the board link (firmware file, USB boards, access, "
                      "udev rule) and exit: status 0 when a board is ready, 1 otherwise. Needs "
                      "no display."},
    OptionRow{.name = "setup",
              .value = &Options::setup,
              .valueName = "FILE",
              .help = "After start-up, run the commands of FILE (one command line a line, # "
                      "comments; a saved *LRN? answer is one) as a remote client would. Every "
                      "line is checked first and nothing is sent when one fails; a refusal at "
                      "run time stops it, saying how many lines were applied. Headless, kteval "
                      "then exits with status 1 (and, when it does not --listen, with 0 after "
                      "the last line, or 1 when a word did not reach the board)."},
    OptionRow{.name = "record",
              .value = &Options::record,
              .valueName = "FILE",
              .help = "Append every action that reaches the board, the operator's and the "
                      "clients', to FILE as its command line, a setup that replays the session."},
    OptionRow{.name = "seed",
              .value = &Options::seed,
              .valueName = "N",
              .help = "With --simulate: the seed of the simulated board's analog errors (default "
                      "$KTEVAL_SEED, else 4421); the same seed is the same board."},
    OptionRow{.name = "dmm",
              .value = &Options::dmm,
              .valueName = "ADDRESS",
              .help = "The multimeter for measuring and calibrating: tcp:HOST[:PORT] (raw SCPI, "
                      "port 5025), usbtmc:/dev/usbtmcN or simulated (reads the simulated board)."},
    OptionRow{.name = "nplc",
              .value = &Options::nplc,
              .valueName = "N",
              .help = "The meter's integration time in power-line cycles, 0.02 to 100 (default "
                      "1)."},
    OptionRow{.name = "range",
              .value = &Options::range,
              .valueName = "VOLTS",
              .help = "The meter's DC range in volts, or AUTO (the default)."},
    OptionRow{.name = "route",
              .value = &Options::route,
              .valueName = "HOW",
              .help = "How a channel reaches the meter: monitor (the MON pin, default on the "
                      "441x parts), probe (moved by hand when asked, default elsewhere) or a "
                      "scanner's switching command with {n} for the channel number, as in "
                      "'ROUT:CLOS (@1{n:02})'."},
    OptionRow{.name = "characterise",
              .value = &Options::characterise,
              .valueName = "CHANNELS",
              .help = "Headless: measure the channels (0-3,8) at the default codes (or "
                      "--every-code), write readings.csv, summary.csv and an INL/DNL chart per "
                      "channel (SVG, PNG) into --out, and exit."},
    OptionRow{.name = "calibrate",
              .value = &Options::calibrate,
              .valueName = "CHANNELS",
              .help = "Headless: calibrate the channels' M and C, write calibration.csv into "
                      "--out, and exit."},
    OptionRow{.name = "out",
              .value = &Options::out,
              .valueName = "DIR",
              .help = "Where --characterise and --calibrate write their files (made if missing)."},
    OptionRow{.name = "apply-calibration",
              .flag = &Options::applyCalibration,
              .help = "After start-up, write the M and C of this board's last calibration "
                      "($XDG_DATA_HOME/kteval/calibration/). A plain start sends nothing."},
    OptionRow{.name = "every-code",
              .flag = &Options::everyCode,
              .help = "--characterise measures every code instead of the default set."},
};

// Qt's own options, taken by QGuiApplication, QApplication and the window
// system plugins; valueName empty for a switch.
struct QtOptionRow {
    std::string_view name;  // without the dash
    std::string_view valueName;
    bool joined = false;  // also read as -name=value
};
const std::array kQtOptions{
    QtOptionRow{"platform", "platformName[:options]"},
    QtOptionRow{"platformpluginpath", "path"},
    QtOptionRow{"platformtheme", "theme"},
    QtOptionRow{"plugin", "plugin"},
    QtOptionRow{"qmljsdebugger", "value", true},
    QtOptionRow{"qwindowgeometry", "geometry"},
    QtOptionRow{"qwindowicon", "icon"},
    QtOptionRow{"qwindowtitle", "title"},
    QtOptionRow{"reverse", ""},
    QtOptionRow{"session", "session"},
    QtOptionRow{"style", "style", true},
    QtOptionRow{"stylesheet", "styleSheet", true},
    QtOptionRow{"widgetcount", ""},
    QtOptionRow{"display", "display"},
    QtOptionRow{"geometry", "geometry"},
    QtOptionRow{"title", "title"},
    QtOptionRow{"icon", "icon"},
    QtOptionRow{"name", "name"},
    QtOptionRow{"nograb", ""},
    QtOptionRow{"dograb", ""},
    QtOptionRow{"sync", ""},
};

constexpr std::string_view kEnvironment =
    "Environment:\n"
    "  KTEVAL_USB_IDS=vvvv:pppp,...  further USB IDs of the board\n"
    "  KTEVAL_BOARD=ID               the board to work with, as --board\n"
    "  KTEVAL_TRACE=FILE             append every board request to FILE\n"
    "  KTEVAL_SIMULATE_FAULT=KIND@N  --simulate: fail calls from the Nth on\n"
    "                                (KIND unplugged, timeout or loadfail)\n"
    "  KTEVAL_SEED=N                 --simulate: the simulated board's seed\n"
    "  KTEVAL_SIMULATE_REQUEST_US=N  --simulate: each request takes N us, as on\n"
    "                                a real USB link (125 at high speed)\n"
    "  KTEVAL_KEEPALIVE=IDLE,INTERVAL,COUNT\n"
    "                                keepalive of remote clients: first probe\n"
    "                                after IDLE s, every INTERVAL s, COUNT\n"
    "                                unanswered ones close (default 60,10,6;\n"
    "                                at most 32767,32767,127)\n"
    "  XDG_DATA_HOME, XDG_DATA_DIRS  where KT4421SPI.hex is looked for\n"
    "  XDG_CACHE_HOME                where board IDs are remembered\n"
    "                                (kteval/usb-ids)\n"
    "  DISPLAY, WAYLAND_DISPLAY      the display the window opens on\n"
    "  QT_QPA_PLATFORM               Qt's window system, as -platform\n";

// "  NAMES  help" with help wrapped at 79 columns beside a 25-column name.
void addHelpLine(std::string& text, const std::string& names, std::string_view help) {
    constexpr std::size_t kIndent = 27, kWidth = 79;
    std::string line = "  " + names;
    const auto breakLine = [&] {
        text += line + '\n';
        line.assign(kIndent, ' ');
    };
    if (help.empty()) {
        text += line + '\n';
        return;
    }
    if (line.size() + 2 > kIndent) breakLine();
    line.resize(kIndent, ' ');
    std::size_t column = kIndent;
    for (std::size_t start = 0; start < help.size();) {
        const std::size_t end = std::min(help.find(' ', start), help.size());
        const std::string_view word = help.substr(start, end - start);
        if (column > kIndent && column + 1 + word.size() > kWidth) {
            breakLine();
            column = kIndent;
        }
        if (column > kIndent) line += ' ';
        line += word;
        column = line.size();
        start = end + 1;
    }
    text += line + '\n';
}

const QtOptionRow* findQtOption(std::string_view name) {
    const auto* row = std::find_if(kQtOptions.begin(), kQtOptions.end(),
                                   [&](const QtOptionRow& qt) { return qt.name == name; });
    return row == kQtOptions.end() ? nullptr : row;
}

}  // namespace

std::string chosenBoard(const Options& options, const char* environment) {
    if (options.board) return *options.board;
    return environment != nullptr ? environment : "";
}

std::string partNames() {
    std::string names;
    for (const PartInfo& part : partCatalogue()) {
        names += (names.empty() ? "" : ", ") + std::string(part.name);
    }
    return names;
}

ParsedCommandLine parseCommandLine(std::span<const char* const> arguments) {
    ParsedCommandLine parsed;
    Options& options = parsed.options;
    options.qtArguments.emplace_back(arguments.empty() ? "kteval" : arguments[0]);
    const auto refuse = [&](std::string why) {
        parsed.error = std::move(why);
        return parsed;
    };
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--") {
            if (i + 1 < arguments.size()) {
                return refuse("unexpected argument '" + std::string(arguments[i + 1]) + "'");
            }
            break;
        }
        if (argument == "-h" || argument == "-v") {
            (argument == "-h" ? options.help : options.version) = true;
            continue;
        }
        if (!argument.starts_with('-') || argument == "-") {
            return refuse("unexpected argument '" + std::string(argument) + "'");
        }
        // Qt reads its options with one dash or two, a few also as -name=value.
        const std::string_view bare = argument.substr(argument.starts_with("--") ? 2 : 1);
        const std::size_t equals = bare.find('=');
        const std::string_view name = bare.substr(0, equals);
        if (argument.starts_with("--")) {
            const auto* row = std::find_if(kOptions.begin(), kOptions.end(),
                                           [&](const OptionRow& own) { return own.name == name; });
            if (row != kOptions.end()) {
                if (row->flag != nullptr) {
                    if (equals != std::string_view::npos) {
                        return refuse("option '--" + std::string(name) + "' takes no value");
                    }
                    options.*(row->flag) = true;
                } else if (equals != std::string_view::npos) {
                    options.*(row->value) = std::string(bare.substr(equals + 1));
                } else if (i + 1 < arguments.size()) {
                    options.*(row->value) = std::string(arguments[++i]);
                } else {
                    return refuse("option '--" + std::string(name) + "' needs a value (" +
                                  std::string(row->valueName) + ")");
                }
                continue;
            }
        }
        const QtOptionRow* qt = findQtOption(name);
        if (qt != nullptr && equals != std::string_view::npos && !qt->joined) qt = nullptr;
        if (qt == nullptr) return refuse("unknown option '" + std::string(argument) + "'");
        options.qtArguments.emplace_back(argument);
        options.platformChosen = options.platformChosen || qt->name == "platform";
        if (!qt->valueName.empty() && equals == std::string_view::npos) {
            if (i + 1 >= arguments.size()) {
                return refuse("option '" + std::string(argument) + "' needs a value (" +
                              std::string(qt->valueName) + ")");
            }
            options.qtArguments.emplace_back(arguments[++i]);
        }
    }
    return parsed;
}

std::string helpText(bool withQtOptions) {
    std::string text =
        "Usage: kteval [options]\nControl program for the KT44xx DAC evaluation board.\n\n";
    text += kEnvironment;
    text += "\nOptions:\n";
    for (const OptionRow& row : kOptions) {
        std::string names = row.name == "help" ? "-h, --help" : "--" + std::string(row.name);
        if (row.name == "version") names = "-v, --version";
        if (row.value != nullptr) names += " <" + std::string(row.valueName) + ">";
        std::string help(row.help);
        if (const std::size_t at = help.find("{parts}"); at != std::string::npos) {
            help.replace(at, 7, partNames());
        }
        addHelpLine(text, names, help);
    }
    if (withQtOptions) {
        text += "\nQt's own options (one dash or two; see the Qt documentation):\n";
        for (const QtOptionRow& row : kQtOptions) {
            const std::string value =
                row.valueName.empty() ? "" : " <" + std::string(row.valueName) + ">";
            addHelpLine(text, "-" + std::string(row.name) + value, "");
        }
    }
    return text;
}

std::optional<std::string> missingDisplay(const Options& options, const char* display,
                                          const char* waylandDisplay, const char* qpaPlatform) {
    const auto set = [](const char* value) { return value != nullptr && *value != '\0'; };
    if (options.headless || options.onlyAsksForInformation() || options.platformChosen ||
        set(display) || set(waylandDisplay) || set(qpaPlatform)) {
        return std::nullopt;
    }
    return "there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
           "set).\nRun without a window: kteval --headless --part NAME --listen PORT (or --setup "
           "FILE),\nor in a virtual display: xvfb-run -a kteval ...";
}

}  // namespace kteval::cli
