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

TEST(LoadAdvice, EachFailureSaysWhatIsWrongAndWhatToDo) {
    FirmwareChoice missing{"/opt/kt/KT4421SPI.hex",
                           false,
                           {"/opt/kt/KT4421SPI.hex", "/home/u/.local/share/kteval/KT4421SPI.hex",
                            "/usr/share/kteval/KT4421SPI.hex"}};
    FirmwareChoice given{"/tmp/my.hex", false, {"/tmp/my.hex"}};
    FirmwareChoice found{"/usr/share/kteval/KT4421SPI.hex", true, missing.searched};
    struct Case {
        int16_t code;
        LoadFailureContext context;
        std::vector<std::string> mentions;
    } cases[] = {
        {usbresult::kNoBoard,
         {found, "", {}, {kEzUsbLoaderId, kFirmware.id}},
         {"04b4:8613, 04b4:1004", "KTEVAL_USB_IDS", "Reload USB"}},
        {usbresult::kSeveralBoards,
         {found, "", {kLoader, kFirmware}, {}},
         {kLoader.describe(), kFirmware.describe(), "/dev/bus/usb/001/020", "/dev/bus/usb/003/007",
          "unplug all but one"}},
        {usbresult::kAccessDenied,
         {found, "cannot open", {kFirmware}, {}},
         {"/dev/bus/usb/003/007", "/etc/udev/rules.d/60-kteval.rules",
          "ATTR{idVendor}==\"04b4\", ATTR{idProduct}==\"1004\"",
          "sudo udevadm control --reload-rules && sudo udevadm trigger", "Details: cannot open"}},
        {usbresult::kBusy, {found, "", {kLoader}, {}}, {kLoader.describe(), "close other"}},
        {usbresult::kFirmwareUnreadable,
         {missing, "", {}, {}},
         {"was not found", missing.searched[0], missing.searched[1], missing.searched[2],
          "--firmware FILE"}},
        {usbresult::kFirmwareUnreadable, {given, "", {}, {}}, {"cannot be read: /tmp/my.hex"}},
        {usbresult::kHexFormat,
         {found, "line 3: bad checksum", {}, {}},
         {found.path, "Intel HEX", "Details: line 3: bad checksum"}},
        {usbresult::kImageOutsideRam, {found, "", {}, {}}, {found.path, "0xE000-0xE1FF"}},
        {usbresult::kReenumerationTimeout, {found, "", {kLoader}, {}}, {found.path, "5 seconds"}},
        {usbresult::kNoReenumeration,
         {found, "", {kLoader}, {}},
         {found.path, "did not take over"}},
        {usbresult::kUsbUnavailable, {found, "", {}, {}}, {"/dev/bus/usb", "--simulate"}},
        {usbresult::kBadUsbIds, {found, "", {}, {}}, {"KTEVAL_USB_IDS=04b4:1004"}},
        {BoardLink::kPathRefused, {given, "", {}, {}}, {"512 bytes", "/tmp/my.hex"}},
        {-29, {found, "strange", {}, {}}, {"unknown result", "Details: strange"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const std::string text = loadFailureDetails(c.code, c.context);
        for (const std::string& mention : c.mentions) {
            EXPECT_NE(text.find(mention), std::string::npos) << mention << " in:\n" << text;
        }
        EXPECT_NE(text.find("kteval --check"), std::string::npos);
    }

    // Every load failure has advice of its own.
    std::set<std::string> texts;
    for (int16_t code = usbresult::kNoBoard; code >= usbresult::kNoReenumeration; --code) {
        const std::string text = loadFailureDetails(code, {found, "", {kLoader}, {}});
        EXPECT_NE(text.find("What to do"), std::string::npos) << code;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), 13u);
}

// The line the advice gives is the one the shipped rules file holds.
TEST(LoadAdvice, RuleLineMatchesTheShippedRule) {
    const std::string rules = testing_support::readText(KTEVAL_UDEV_RULES);
    ASSERT_FALSE(rules.empty());
    EXPECT_NE(rules.find("\n" + udevRuleLine(kEzUsbLoaderId) + "\n"), std::string::npos);
    EXPECT_NE(rules.find("# " + udevRuleLine(kFirmware.id) + "\n"), std::string::npos);
}

}  // namespace
}  // namespace kteval
