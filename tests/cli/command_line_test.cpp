// The command line read before Qt starts.
#include "command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace kteval::cli {
namespace {

// What a command line is read as: the refusal, or Qt's arguments and ours.
std::string readAs(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "kteval");
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.error.empty()) return parsed.error;
    const Options& o = parsed.options;
    std::string text = "qt:";
    for (const std::string& argument : o.qtArguments) text += ' ' + argument;
    text += o.platformChosen ? " (platform)" : "";
    return text + "; part " + o.part.value_or("-") + "; firmware " + o.firmware.value_or("-") +
           (o.simulate ? "; simulate" : "") + (o.help ? "; help" : "");
}

// Catches Qt's options (or their values) taken for kteval's, or lost.
TEST(CommandLine, OwnOptionsReadQtOptionsPassedOnAnythingElseRefused) {
    const std::pair<std::vector<const char*>, std::string> rows[] = {
        {{"-platform", "offscreen", "--part=kt4421", "-style=Fusion", "--reverse", "--simulate"},
         "qt: kteval -platform offscreen -style=Fusion --reverse (platform); part kt4421; "
         "firmware -; simulate"},
        {{"--firmware", "a b", "-display", ":1", "--firmware=c", "-h", "--"},
         "qt: kteval -display :1; part -; firmware c; help"},
        {{"-platform=offscreen"}, "unknown option '-platform=offscreen'"},
        {{"-part", "KT4421"}, "unknown option '-part'"},
        {{"--simulate=yes"}, "option '--simulate' takes no value"},
        {{"-style"}, "option '-style' needs a value (style)"},
        {{"--", "--simulate"}, "unexpected argument '--simulate'"},
        {{"KT4421"}, "unexpected argument 'KT4421'"},
    };
    for (const auto& [arguments, read] : rows) EXPECT_EQ(readAs(arguments), read);
}

// Catches a window started where there is no display, or refused where there is one.
// --board wins over KTEVAL_BOARD, which is taken only when --board is absent.
TEST(CommandLine, BoardFromTheOptionElseTheEnvironment) {
    struct Case {
        std::vector<const char*> arguments;
        const char* environment;
        const char* board;
    } cases[] = {
        {{}, nullptr, ""},
        {{}, "KT-7", "KT-7"},
        {{"--board", "1-4.2"}, "KT-7", "1-4.2"},
        {{"--board=KT-9"}, nullptr, "KT-9"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> arguments = c.arguments;
        arguments.insert(arguments.begin(), "kteval");
        EXPECT_EQ(chosenBoard(parseCommandLine(arguments).options, c.environment), c.board);
    }
}

TEST(CommandLine, WindowNeedsADisplayOrAChosenPlatform) {
    Options window, headless, platform;
    headless.headless = true;
    platform.platformChosen = true;
    const struct {
        const Options& options;
        const char *display, *wayland, *qpa;
        bool refused;
    } rows[] = {
        {window, nullptr, nullptr, nullptr, true},
        {window, "", "", "", true},
        {window, ":0", nullptr, nullptr, false},
        {window, nullptr, "wayland-0", nullptr, false},
        {window, nullptr, nullptr, "xcb", false},
        {headless, nullptr, nullptr, nullptr, false},
        {platform, nullptr, nullptr, nullptr, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(missingDisplay(row.options, row.display, row.wayland, row.qpa).has_value(),
                  row.refused)
            << (row.display ? row.display : "-") << (row.wayland ? row.wayland : "-");
    }
}

}  // namespace
}  // namespace kteval::cli
