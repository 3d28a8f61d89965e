#pragma once

#include <cstdint>

namespace kteval::usbresult {

// Results of LibusbBoard's two operations. Zero or positive is success
// (VendorIORequest: the number of bytes moved). Every failure has its own
// negative code in -1 ... -30, clear of BoardLink::kPathRefused (-100).
//
// clang-format off
// | code | name                  | operation       | meaning                                          |
// |------|-----------------------|-----------------|--------------------------------------------------|
// |  -1  | kNoBoard              | LoadFirmWare    | no device with a board ID is on the bus          |
// |  -2  | kSeveralBoards        | LoadFirmWare    | more than one candidate; unplug all but one      |
// |  -3  | kAccessDenied         | LoadFirmWare    | the device node may not be opened (udev rule)    |
// |  -4  | kBusy                 | LoadFirmWare    | another program or driver holds interface 0      |
// |  -5  | kFirmwareUnreadable   | LoadFirmWare    | firmware file missing or unreadable              |
// |  -6  | kHexFormat            | LoadFirmWare    | not valid Intel HEX (also empty or over 16 MiB)  |
// |  -7  | kImageOutsideRam      | LoadFirmWare    | image has bytes outside the loader's RAM         |
// |  -8  | kLoadIoError          | LoadFirmWare    | a transfer of the load failed                    |
// |  -9  | kVerifyMismatch       | LoadFirmWare    | RAM read back differs from the image             |
// | -10  | kReenumerationTimeout | LoadFirmWare    | the board left the bus, no firmware within 5 s   |
// | -11  | kBadUsbIds            | LoadFirmWare    | KTEVAL_USB_IDS cannot be read                    |
// | -12  | kUsbUnavailable       | LoadFirmWare    | the USB library could not be started             |
// | -13  | kNoReenumeration      | LoadFirmWare    | the board never left the bus after its start     |
// | -20  | kNotOpen              | VendorIORequest | no firmware is running (no successful load)      |
// | -21  | kBadArgument          | VendorIORequest | direction, length, buffer or request invalid     |
// | -22  | kTimeout              | VendorIORequest | the board did not answer within 1 s              |
// | -23  | kStall                | VendorIORequest | the firmware refused the request                 |
// | -24  | kDeviceGone           | VendorIORequest | the board was unplugged; use "Reload USB"        |
// | -25  | kShortTransfer        | VendorIORequest | fewer bytes moved than asked for                 |
// | -26  | kTransferFailed       | VendorIORequest | any other USB error                              |
// clang-format on
inline constexpr int16_t kOk = 0;
inline constexpr int16_t kNoBoard = -1;
inline constexpr int16_t kSeveralBoards = -2;
inline constexpr int16_t kAccessDenied = -3;
inline constexpr int16_t kBusy = -4;
inline constexpr int16_t kFirmwareUnreadable = -5;
inline constexpr int16_t kHexFormat = -6;
inline constexpr int16_t kImageOutsideRam = -7;
inline constexpr int16_t kLoadIoError = -8;
inline constexpr int16_t kVerifyMismatch = -9;
inline constexpr int16_t kReenumerationTimeout = -10;
inline constexpr int16_t kBadUsbIds = -11;
inline constexpr int16_t kUsbUnavailable = -12;
inline constexpr int16_t kNoReenumeration = -13;

inline constexpr int16_t kNotOpen = -20;
inline constexpr int16_t kBadArgument = -21;
inline constexpr int16_t kTimeout = -22;
inline constexpr int16_t kStall = -23;
inline constexpr int16_t kDeviceGone = -24;
inline constexpr int16_t kShortTransfer = -25;
inline constexpr int16_t kTransferFailed = -26;

// A short English phrase for a code ("no board found"); "success" for >= 0
// and "unknown result" for a value not in the table.
const char* describe(int16_t code);

}  // namespace kteval::usbresult
