#include "board_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "fake_usb_transport.h"
#include "load_advice.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

namespace fs = std::filesystem;
constexpr UsbId kOwnId{0x04B4, 0x1004};

// One row per verdict of each section (firmware, boards, rule, result); the
// shipped rule reached through two folders (/lib linked to /usr/lib) is named
// once, and a check loads nothing.
TEST(BoardCheck, DiagnosesFirmwareBoardsAccessAndRule) {
    using BusScript = std::function<void(FakeUsbTransport&)>;
    const BusScript oneLoader = [](FakeUsbTransport& b) { b.addLoader({2, 4}); };
    const std::string good = writeIntelHex(testing_support::sampleImage());
    struct Case {
        std::string firmware;  // the image's text, none if empty
        bool rule;             // the shipped rule installed
        BusScript bus;
        const char* usbIds;  // as in KTEVAL_USB_IDS
        bool ready;
        std::vector<std::string> mentions;
    } cases[] = {
        // clang-format off
        {good, false, oneLoader, "", true,
         {"(Intel HEX, 3", "04b4:8613 on bus 1 port 2.4 (address 20), /dev/bus/usb/001/020: can be opened",
          "not installed; looked in:", "    " + udevRuleLine(kEzUsbLoaderId), "Result: ready"}},
        {"", true, [](FakeUsbTransport&) {}, "", false, {"not found; looked for:", "none found"}},
        {"garbage\n", true, oneLoader, "", false, {"found but not usable:", "not ready"}},
        {good, true, [](FakeUsbTransport& b) { b.addLoader({1}); b.addLoader({2}); }, "", false,
         {"/dev/bus/usb/001/020", "/dev/bus/usb/001/021", "not ready: several boards"}},
        {good, true, [](FakeUsbTransport& b) { b.addBoard({kOwnId, 3, {1}, 9}).deniedOpens = 1; },
         "04b4:1004", false,
         {"/dev/bus/usb/003/009: cannot be opened (access denied)",
          "(as root):\n    " + udevRuleLine(kOwnId), kUdevReloadCommand,
          "not ready: the board cannot be opened"}},
        {good, true, [](FakeUsbTransport& b) { b.unavailable = true; }, "", false,
         {"cannot list USB devices: USB unavailable", "not ready: no USB access"}},
        {good, true, oneLoader, "04b4", false, {"KTEVAL_USB_IDS: \"04b4\"", "not ready"}},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mentions.front());
        testing_support::TempDir dir;
        fs::create_directories(dir.path() / "bin");
        fs::create_directories(dir.path() / "rules");
        fs::create_directory_symlink(dir.path() / "rules", dir.path() / "rules-link");
        if (!c.firmware.empty()) dir.write("bin/KT4421SPI.hex", c.firmware);
        if (c.rule)
            dir.write("rules/60-kteval.rules", testing_support::readText(KTEVAL_UDEV_RULES));
        FakeUsbTransport bus;
        c.bus(bus);
        const UsbIdList extra = parseUsbIds(c.usbIds);
        std::vector<UsbId> ids{kEzUsbLoaderId};
        ids.insert(ids.end(), extra.ids.begin(), extra.ids.end());
        const BoardCheckSetup setup{
            {{}, (dir.path() / "bin").string(), {}},
            ids,
            extra.error,
            {(dir.path() / "rules-link").string(), (dir.path() / "rules").string()}};
        const BoardCheck check = checkBoard(bus, setup);
        const std::string& report = check.report;
        EXPECT_EQ(check.ready, c.ready) << report;
        for (const std::string& mention : c.mentions) {
            EXPECT_NE(report.find(mention), std::string::npos) << mention << " in:\n" << report;
        }
        const std::size_t installed = report.find("installed: ");
        EXPECT_EQ(installed == std::string::npos, !c.rule) << report;
        EXPECT_EQ(report.find("installed: ", installed + 1), std::string::npos) << report;
        EXPECT_EQ(bus.transfers().size(), 0u);
    }
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
