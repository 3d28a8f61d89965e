#include "board_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "fake_usb_transport.h"
#include "load_advice.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

using testing_support::TempDir;

constexpr UsbId kOwnId{0x04B4, 0x1004};

using BusScript = std::function<void(FakeUsbTransport&)>;

TEST(BoardCheck, DiagnosesFirmwareBoardsAccessAndRule) {
    const BusScript oneLoader = [](FakeUsbTransport& b) { b.addLoader({2, 4}); };
    struct Case {
        const char* name;
        const char* firmware;  // "good", "bad" or "none"
        bool rule;             // the shipped rule installed
        BusScript bus;
        const char* usbIds;  // as in KTEVAL_USB_IDS
        bool ready;
        std::vector<std::string> mentions;
    } cases[] = {
        // clang-format off
        {"ready", "good", true, oneLoader, "", true,
         {"(Intel HEX, 3",
          "04b4:8613 on bus 1 port 2.4 (address 20), /dev/bus/usb/001/020: can be opened",
          "installed: ", "Result: ready"}},
        {"bad firmware", "bad", true, oneLoader, "", false, {"found but not usable:", "not ready"}},
        {"two boards", "good", true,
         [](FakeUsbTransport& b) { b.addLoader({1}); b.addLoader({2}); }, "", false,
         {"/dev/bus/usb/001/020", "/dev/bus/usb/001/021", "not ready: several boards"}},
        {"access denied under the firmware's ID", "good", true,
         [](FakeUsbTransport& b) { b.addBoard({kOwnId, 3, {1}, 9}).deniedOpens = 1; },
         "04b4:1004", false,
         {"/dev/bus/usb/003/009: cannot be opened (access denied)",
          "Add to /etc/udev/rules.d/60-kteval.rules (as root):\n    " + udevRuleLine(kOwnId),
          kUdevReloadCommand, "not ready: the board cannot be opened"}},
        {"no rule", "good", false, oneLoader, "", true,
         {"not installed; looked in:", "    " + udevRuleLine(kEzUsbLoaderId), "Result: ready"}},
        {"no USB", "good", true, [](FakeUsbTransport& b) { b.unavailable = true; }, "", false,
         {"cannot list USB devices: USB unavailable", "not ready: no USB access"}},
        {"bad ID list", "good", true, oneLoader, "04b4", false,
         {"KTEVAL_USB_IDS: \"04b4\"", "not ready"}},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::filesystem::create_directories(dir.path() / "bin");
        std::filesystem::create_directories(dir.path() / "rules");
        if (std::string(c.firmware) != "none") {
            dir.write("bin/KT4421SPI.hex", std::string(c.firmware) == "good"
                                               ? writeIntelHex(testing_support::sampleImage())
                                               : "garbage\n");
        }
        if (c.rule) {
            dir.write("rules/60-kteval.rules", testing_support::readText(KTEVAL_UDEV_RULES));
        }
        FakeUsbTransport bus;
        c.bus(bus);
        const UsbIdList extra = parseUsbIds(c.usbIds);
        std::vector<UsbId> ids{kEzUsbLoaderId};
        ids.insert(ids.end(), extra.ids.begin(), extra.ids.end());
        const BoardCheckSetup setup{{{}, (dir.path() / "bin").string(), {}},
                                    ids,
                                    extra.error,
                                    {(dir.path() / "rules").string()}};

        const BoardCheck check = checkBoard(bus, setup);
        EXPECT_EQ(check.ready, c.ready) << check.report;
        for (const std::string& mention : c.mentions) {
            EXPECT_NE(check.report.find(mention), std::string::npos) << mention << " in:\n"
                                                                     << check.report;
        }
        EXPECT_EQ(bus.transfers().size(), 0u);  // a check loads nothing
    }
}

// On merged systems /lib is a link to /usr/lib: the one rule file is named once.
TEST(BoardCheck, RuleFolderReachedTwiceIsReadOnce) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "usr-lib-rules");
    std::filesystem::create_directory_symlink(dir.path() / "usr-lib-rules",
                                              dir.path() / "lib-rules");
    dir.write("usr-lib-rules/60-kteval.rules", testing_support::readText(KTEVAL_UDEV_RULES));
    FakeUsbTransport bus;
    const BoardCheckSetup setup{
        {{}, (dir.path() / "bin").string(), {}},
        {kEzUsbLoaderId},
        {},
        {(dir.path() / "lib-rules").string(), (dir.path() / "usr-lib-rules").string()}};
    const std::string report = checkBoard(bus, setup).report;
    const std::string installed = "installed: ";
    const size_t first = report.find(installed);
    ASSERT_NE(first, std::string::npos) << report;
    EXPECT_EQ(report.find(installed, first + 1), std::string::npos) << report;
}

TEST(BoardCheck, RuleFoldersEndWithTheInstallPrefix) {
    const std::vector<std::string> standard{"/etc/udev/rules.d", "/run/udev/rules.d",
                                            "/lib/udev/rules.d", "/usr/lib/udev/rules.d"};
    EXPECT_EQ(udevRuleDirectories("/usr"), standard);
    std::vector<std::string> local = standard;
    local.push_back("/usr/local/lib/udev/rules.d");
    EXPECT_EQ(udevRuleDirectories("/usr/local/"), local);
}

}  // namespace
}  // namespace kteval
