#include "load_advice.h"

#include "board_link.h"
#include "libusb_board.h"
#include "usb_result.h"

namespace kteval {

namespace {

constexpr const char* kReload = "then choose File > Reload USB.";
constexpr const char* kCheckHint = "\n\n'kteval --check' in a terminal prints a full diagnosis.";

std::string idList(const std::vector<UsbId>& ids) {
    std::string text;
    for (const UsbId& id : ids) text += (text.empty() ? "" : ", ") + toString(id);
    return text.empty() ? toString(kEzUsbLoaderId) : text;
}

std::string deviceLines(const std::vector<UsbDeviceInfo>& devices, bool withChoice = false) {
    std::string text;
    for (const UsbDeviceInfo& device : devices) {
        text += "  " + device.describe() + ", " + device.node();
        if (withChoice) text += ": --board " + device.boardId();
        text += "\n";
    }
    return text;
}

std::string placesLines(const FirmwareChoice& firmware) {
    std::string text;
    for (const std::string& place : firmware.searched) text += "  " + place + "\n";
    return text;
}

std::string withLinkMessage(std::string text, const LoadFailureContext& context) {
    if (!context.linkMessage.empty()) text += "\n\nDetails: " + context.linkMessage;
    return text + kCheckHint;
}

// The rule lines for the devices concerned (the loader's own ID if none is
// known), and how to make udev apply them.
std::string udevAdvice(const std::vector<UsbDeviceInfo>& devices) {
    std::vector<UsbId> ids;
    for (const UsbDeviceInfo& device : devices) {
        bool seen = false;
        for (const UsbId& id : ids) seen = seen || id == device.id;
        if (!seen) ids.push_back(device.id);
    }
    if (ids.empty()) ids.push_back(kEzUsbLoaderId);
    std::string text = "Add this line to the udev rules file " + std::string(kUdevRuleFile) +
                       " (as root; the rule file kteval installs already covers " +
                       toString(kEzUsbLoaderId) + "):\n";
    for (const UsbId& id : ids) text += "  " + udevRuleLine(id) + "\n";
    text += "then run\n  " + std::string(kUdevReloadCommand) +
            "\nplug the board in again, and choose File > Reload USB.";
    return text;
}

}  // namespace

std::string udevRuleLine(UsbId id) {
    const std::string text = toString(id);
    return "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", ATTR{idVendor}==\"" +
           text.substr(0, 4) + "\", ATTR{idProduct}==\"" + text.substr(5) +
           "\", TAG+=\"uaccess\", MODE=\"660\", GROUP=\"plugdev\"";
}

std::string loadFailureDetails(int16_t code, const LoadFailureContext& context) {
    using namespace usbresult;
    const std::string& file = context.firmware.path;
    switch (code) {
        case kNoBoard:
            return withLinkMessage(
                "No evaluation board was found on USB: no device with the ID " +
                    idList(context.lookedFor) +
                    ".\n\nWhat to do:\n"
                    "- Plug the board in (check the cable and the board's power), " +
                    kReload +
                    "\n- If the board's firmware shows another USB ID, name it in the "
                    "environment variable KTEVAL_USB_IDS (for example KTEVAL_USB_IDS=04b4:1004) "
                    "and add a udev rule line for it.",
                context);
        case kSeveralBoards:
            return withLinkMessage("Several boards are connected:\n" +
                                       deviceLines(context.devices, true) +
                                       "kteval works with one board at a time.\n\nWhat to do: "
                                       "start kteval with the --board shown beside the board "
                                       "to work with (a kteval for each board), or unplug all "
                                       "but one board, " +
                                       kReload,
                                   context);
        case kAccessDenied:
            return withLinkMessage("You are not allowed to open the board's USB device:\n" +
                                       deviceLines(context.devices) +
                                       "\nWhat to do: give your user access with a udev rule. " +
                                       udevAdvice(context.devices),
                                   context);
        case kBusy:
            return withLinkMessage("Another program or driver is using the board:\n" +
                                       deviceLines(context.devices) +
                                       "\nWhat to do: close other programs that use the board "
                                       "(another kteval, for instance), " +
                                       kReload,
                                   context);
        case kFirmwareUnreadable:
            return withLinkMessage(
                std::string(context.firmware.found || context.firmware.searched.size() == 1
                                ? "The firmware image cannot be read: " + file
                                : "The firmware image " +
                                      std::string(BoardLink::kFirmwareFileName) +
                                      " was not found.") +
                    "\n\nLooked for:\n" + placesLines(context.firmware) +
                    "\nWhat to do: put the board maker's " + BoardLink::kFirmwareFileName +
                    " in one of these places (/usr/local/share/kteval/ serves every user) and "
                    "make it readable, or start kteval with --firmware FILE; " +
                    kReload,
                context);
        case kHexFormat:
            return withLinkMessage("The firmware file " + file +
                                       " is not a valid Intel HEX image.\n\nWhat to do: replace "
                                       "it with the board maker's " +
                                       BoardLink::kFirmwareFileName + ", " + kReload,
                                   context);
        case kImageOutsideRam:
            return withLinkMessage(
                "The firmware file " + file +
                    " holds bytes outside the board's RAM (0x0000-0x3FFF, 0xE000-0xE1FF): it is "
                    "not the firmware for this board.\n\nWhat to do: use the board maker's " +
                    BoardLink::kFirmwareFileName + ", " + kReload,
                context);
        case kLoadIoError:
            return withLinkMessage(
                "A USB transfer failed while the firmware was being loaded.\n\nWhat to do: plug "
                "the board into another USB port or a powered hub, " +
                    std::string(kReload),
                context);
        case kVerifyMismatch:
            return withLinkMessage(
                "The board's memory read back differs from the firmware image.\n\nWhat to do: "
                "plug the board in again, then choose File > Reload USB. If it happens again, "
                "the board is faulty.",
                context);
        case kReenumerationTimeout:
            return withLinkMessage(
                "The board left the USB bus when its firmware started, but did not come back "
                "within 5 seconds.\n\nWhat to do: check that " +
                    file +
                    " is the firmware for this board, plug the board in again, then choose File "
                    "> Reload USB. If the firmware comes back under an ID you may not open, "
                    "'kteval --check' shows it and the udev rule line it needs.",
                context);
        case kBadUsbIds:
            return withLinkMessage(
                "The environment variable KTEVAL_USB_IDS cannot be read.\n\nWhat to do: give "
                "IDs as vendor:product in hexadecimal, separated by commas (for example "
                "KTEVAL_USB_IDS=04b4:1004,abcd:0001), or unset it; then start kteval again.",
                context);
        case kUsbUnavailable:
            return withLinkMessage(
                "The USB library could not be started: this system (or container) gives kteval "
                "no USB access.\n\nWhat to do: run kteval where USB devices are reachable "
                "(/dev/bus/usb), or try it out with --simulate.",
                context);
        case kNoReenumeration:
            return withLinkMessage(
                "The firmware was loaded and started, but the board's USB device stayed as it "
                "was for 5 seconds: the firmware did not take over the USB link.\n\nWhat to do: "
                "check that " +
                    file +
                    " is the firmware for this board, plug the board in again, then choose File "
                    "> Reload USB.",
                context);
        case BoardLink::kPathRefused:
            return withLinkMessage("The firmware path is longer than 512 bytes:\n  " + file +
                                       "\n\nWhat to do: move the file to a shorter path, or "
                                       "give it with --firmware FILE.",
                                   context);
        default:
            return withLinkMessage(
                "The firmware load failed (" + std::string(describe(code)) + ").", context);
    }
}

std::string loadFailureDetails(int16_t code, const FirmwareChoice& firmware,
                               const LibusbBoard* link) {
    LoadFailureContext context{firmware, {}, {}, {}};
    if (link != nullptr && code != BoardLink::kPathRefused) {  // that one never reaches the link
        context.linkMessage = link->lastError();
        context.devices = link->lastDevices();
        context.lookedFor = link->candidateIds();
    }
    return loadFailureDetails(code, context);
}

}  // namespace kteval
