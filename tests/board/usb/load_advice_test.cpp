#include "load_advice.h"

#include <gtest/gtest.h>

#include <set>

#include "board_link.h"
#include "usb_result.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

const UsbDeviceInfo kLoader{kEzUsbLoaderId, 1, {2, 4}, 20};
const UsbDeviceInfo kFirmware{{0x04B4, 0x1004}, 3, {1}, 7};

// Each failure has advice of its own, and the advice names what the load saw:
// the IDs looked for, the devices and their nodes, the rule for the ID denied,
// the places searched, the file and the link's details.
TEST(LoadAdvice, EachFailureNamesWhatTheLoadSaw) {
    const FirmwareChoice missing{"/opt/kt/KT4421SPI.hex", false, {"/opt/kt/x.hex", "/usr/y.hex"}};
    const FirmwareChoice given{"/tmp/my.hex", false, {"/tmp/my.hex"}};
    const FirmwareChoice found{"/usr/share/kteval/KT4421SPI.hex", true, missing.searched};
    struct Case {
        int16_t code;
        LoadFailureContext context;
        std::vector<std::string> mentions;
    } cases[] = {
        {usbresult::kNoBoard,
         {found, "", {}, {kEzUsbLoaderId, kFirmware.id}},
         {"04b4:8613, 04b4:1004"}},
        {usbresult::kSeveralBoards,
         {found, "", {kLoader, kFirmware}, {}},
         {kLoader.describe(), "/dev/bus/usb/001/020", kFirmware.describe(),
          "/dev/bus/usb/003/007"}},
        {usbresult::kAccessDenied,
         {found, "cannot open", {kFirmware}, {}},
         {"/dev/bus/usb/003/007", udevRuleLine(kFirmware.id), "Details: cannot open"}},
        {usbresult::kFirmwareUnreadable, {missing, "", {}, {}}, {"/opt/kt/x.hex", "/usr/y.hex"}},
        {usbresult::kFirmwareUnreadable, {given, "", {}, {}}, {"cannot be read: /tmp/my.hex"}},
        {usbresult::kHexFormat, {found, "line 3", {}, {}}, {found.path, "Details: line 3"}},
        {BoardLink::kPathRefused, {given, "", {}, {}}, {"/tmp/my.hex"}},
        {-29, {found, "strange", {}, {}}, {"Details: strange"}},
    };
    for (const Case& c : cases) {
        const std::string text = loadFailureDetails(c.code, c.context);
        for (const std::string& mention : c.mentions) {
            EXPECT_NE(text.find(mention), std::string::npos) << mention << " in:\n" << text;
        }
        EXPECT_NE(text.find("'kteval --check'"), std::string::npos) << text;
    }
    std::set<std::string> texts;
    for (int16_t code = usbresult::kNoBoard; code >= usbresult::kNoReenumeration; --code) {
        texts.insert(loadFailureDetails(code, {found, "", {kLoader}, {}}));
    }
    EXPECT_EQ(texts.size(), std::size_t(usbresult::kNoBoard - usbresult::kNoReenumeration + 1));
}

// The line the advice gives is the one the shipped rules file holds.
TEST(LoadAdvice, RuleLineMatchesTheShippedRule) {
    const std::string rules = testing_support::readText(KTEVAL_UDEV_RULES);
    EXPECT_NE(rules.find("\n" + udevRuleLine(kEzUsbLoaderId) + "\n"), std::string::npos);
    EXPECT_NE(rules.find("# " + udevRuleLine(kFirmware.id) + "\n"), std::string::npos);
}

}  // namespace
}  // namespace kteval
