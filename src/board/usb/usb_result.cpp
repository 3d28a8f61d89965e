#include "usb_result.h"

#include <array>

namespace kteval::usbresult {

namespace {

constexpr std::array kAllFailures{
    kNoBoard,   kSeveralBoards,   kAccessDenied,    kBusy,           kFirmwareUnreadable,
    kHexFormat, kImageOutsideRam, kLoadIoError,     kVerifyMismatch, kReenumerationTimeout,
    kBadUsbIds, kUsbUnavailable,  kNoReenumeration, kNotOpen,        kBadArgument,
    kTimeout,   kStall,           kDeviceGone,      kShortTransfer,  kTransferFailed};

// Failures must stay distinct and inside -1 ... -30, clear of the board
// link's own -100.
constexpr bool distinctAndInRange() {
    for (std::size_t i = 0; i < kAllFailures.size(); ++i) {
        if (kAllFailures[i] > -1 || kAllFailures[i] < -30) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (kAllFailures[i] == kAllFailures[j]) return false;
        }
    }
    return true;
}
static_assert(distinctAndInRange());

}  // namespace

const char* describe(int16_t code) {
    if (code >= 0) return "success";
    switch (code) {
        case kNoBoard:
            return "no board found";
        case kSeveralBoards:
            return "several boards found";
        case kAccessDenied:
            return "access to the board denied";
        case kBusy:
            return "board in use by another program";
        case kFirmwareUnreadable:
            return "firmware file missing or unreadable";
        case kHexFormat:
            return "firmware file is not valid Intel HEX";
        case kImageOutsideRam:
            return "firmware image outside the loader's RAM";
        case kLoadIoError:
            return "USB error while loading";
        case kVerifyMismatch:
            return "firmware read back differs";
        case kReenumerationTimeout:
            return "firmware did not start";
        case kBadUsbIds:
            return "KTEVAL_USB_IDS is invalid";
        case kUsbUnavailable:
            return "USB library unavailable";
        case kNoReenumeration:
            return "firmware did not take over the USB link";
        case kNotOpen:
            return "no firmware running";
        case kBadArgument:
            return "invalid request arguments";
        case kTimeout:
            return "request timed out";
        case kStall:
            return "request refused by the board";
        case kDeviceGone:
            return "board disconnected";
        case kShortTransfer:
            return "short transfer";
        case kTransferFailed:
            return "USB transfer failed";
        default:
            return "unknown result";
    }
}

}  // namespace kteval::usbresult
