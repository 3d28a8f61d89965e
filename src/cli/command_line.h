#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kteval::cli {

// What the command line asks for. Values are the arguments' bytes, as the
// file system spells them (not necessarily UTF-8).
struct Options {
    bool simulate = false;
    std::optional<std::string> board;  // a serial or a USB port ("1-4.2")
    std::optional<std::string> part;
    std::optional<std::string> firmware;
    std::optional<std::string> listen;
    std::optional<std::string> web;  // the status page and identification
    bool noAnnounce = false;         // no mDNS announcement
    bool headless = false;
    bool check = false;
    std::optional<std::string> setup;
    std::optional<std::string> record;
    // The simulated board's seed, the meter and measuring runs.
    std::optional<std::string> seed;
    std::optional<std::string> dmm;
    std::optional<std::string> nplc;
    std::optional<std::string> range;
    std::optional<std::string> route;
    std::optional<std::string> characterise;
    std::optional<std::string> calibrate;
    std::optional<std::string> out;
    bool everyCode = false;
    bool applyCalibration = false;
    bool help = false;
    bool helpAll = false;  // --help with Qt's own options
    bool version = false;

    // The program name and Qt's own options with their values, in their
    // order: the arguments QApplication gets.
    std::vector<std::string> qtArguments;
    bool platformChosen = false;  // -platform is among them

    // Answered without a window or a board.
    bool onlyAsksForInformation() const { return help || helpAll || version || check; }
};

struct ParsedCommandLine {
    Options options;
    // Why the command line was refused ("unknown option '--bogus'"); empty
    // when it was read.
    std::string error;
};

// Reads argv: "--name VALUE", "--name=VALUE", the switches, -h and -v, and
// Qt's options (one dash or two). "--" ends the options; nothing may follow.
ParsedCommandLine parseCommandLine(std::span<const char* const> arguments);

// The board --board names, else KTEVAL_BOARD (environment: its getenv
// answer, nullptr when unset); empty when neither names one.
std::string chosenBoard(const Options& options, const char* environment);

// "KT4410, KT4411, ...": the names --part takes.
std::string partNames();

// The text of --help: every option and environment variable, with Qt's own
// options too when withQtOptions.
std::string helpText(bool withQtOptions);

// Why a window cannot be shown, or nullopt when it can: no X11 or Wayland
// display and no other window system chosen (-platform, QT_QPA_PLATFORM).
// The variables are passed as getenv answers them (nullptr when unset).
std::optional<std::string> missingDisplay(const Options& options, const char* display,
                                          const char* waylandDisplay, const char* qpaPlatform);

}  // namespace kteval::cli
