#include "ezusb_loader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "hex_digits.h"
#include "usb_result.h"

namespace kteval {

namespace {

std::string hexByte(uint32_t value, int digits) {
    return "0x" + hexDigits(value, digits);
}

LoadOutcome failure(int16_t code, std::string message) {
    LoadOutcome outcome;
    outcome.code = code;
    outcome.message = std::move(message);
    return outcome;
}

// The result of opening or claiming a board, as a load result.
int16_t openFailureCode(UsbStatus status) {
    switch (status) {
        case UsbStatus::AccessDenied:
            return usbresult::kAccessDenied;
        case UsbStatus::Busy:
            return usbresult::kBusy;
        case UsbStatus::NoDevice:
        case UsbStatus::NotFound:
            return usbresult::kNoBoard;
        case UsbStatus::Unavailable:
            return usbresult::kUsbUnavailable;
        default:
            return usbresult::kLoadIoError;
    }
}

std::string openFailureMessage(UsbStatus status, const UsbDeviceInfo& info) {
    if (status == UsbStatus::Busy) {
        return "board " + info.portName() + " (" + info.describe() +
               ") is held by another program (its interface is busy); it was left alone: "
               "close the other program (another kteval?) or choose another board with --board";
    }
    std::string text = "cannot open " + info.describe() + ": " + toString(status);
    if (status == UsbStatus::AccessDenied) {
        text +=
            " (install the kteval udev rule, then run "
            "'udevadm control --reload-rules && udevadm trigger' as root)";
    }
    return text;
}

}  // namespace

BoardSearch EzUsbLoader::findBoard(std::span<const UsbId> candidates, const BoardChoice& choice) {
    BoardSearch search;
    const UsbDeviceList list = transport_.listDevices();
    if (list.status != UsbStatus::Ok) {
        search.code = list.status == UsbStatus::Unavailable ? usbresult::kUsbUnavailable
                                                            : usbresult::kNoBoard;
        search.message = std::string("cannot list USB devices: ") + toString(list.status);
        return search;
    }
    std::vector<UsbDeviceInfo> found;
    for (const UsbDeviceInfo& device : list.devices) {
        if (std::find(candidates.begin(), candidates.end(), device.id) != candidates.end()) {
            found.push_back(device);
        }
    }
    // Serials are read only when there is a choice to make or a name to show.
    if (found.size() > 1 || !choice.id.empty()) {
        for (UsbDeviceInfo& device : found) transport_.readSerial(device);
    }
    search.found = found;
    const auto named = [&found](const std::string& id) {
        std::vector<UsbDeviceInfo> matches;
        for (const UsbDeviceInfo& device : found) {
            if (device.namedBy(id)) matches.push_back(device);
        }
        return matches;
    };
    std::vector<UsbDeviceInfo> chosen = found;
    if (!choice.id.empty()) chosen = named(choice.id);
    // A chosen board whose serial is gone (powered up afresh, waiting for
    // its firmware) is still the one on the port it was loaded on.
    if (chosen.empty() && !choice.id.empty()) {
        if (std::vector<UsbDeviceInfo> again = named(choice.port); again.size() == 1) {
            chosen = again;
        }
    }
    if (chosen.size() == 1) {
        search.board = chosen.front();
        return search;
    }
    if (chosen.empty() && !choice.id.empty()) {
        search.code = usbresult::kNoBoard;
        search.message = "board " + choice.id + " is not connected";
        if (found.empty()) {
            search.message += " (no board found)";
        } else {
            search.message += "; boards found:";
            for (std::size_t i = 0; i < found.size(); ++i) {
                search.message += (i == 0 ? " " : "; ") + found[i].describe() + " (--board " +
                                  found[i].boardId() + ")";
            }
        }
        return search;
    }
    if (found.empty()) {
        search.code = usbresult::kNoBoard;
        search.message = "no board connected (looked for";
        for (const UsbId& id : candidates) search.message += " " + toString(id);
        search.message += ")";
        return search;
    }
    search.code = usbresult::kSeveralBoards;
    search.found = chosen;
    search.message = "several boards connected, choose one with --board:";
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        search.message += (i == 0 ? " " : "; ") + chosen[i].describe() + " (--board " +
                          chosen[i].portName() +
                          (chosen[i].serial.empty() ? "" : " or --board " + chosen[i].serial) + ")";
    }
    return search;
}

LoadOutcome EzUsbLoader::load(std::span<const HexSegment> image, const UsbDeviceInfo& board,
                              std::span<const UsbId> knownIds) {
    Opened loader = openAndClaim(board);
    if (loader.status != UsbStatus::Ok) {
        LoadOutcome outcome =
            failure(openFailureCode(loader.status), openFailureMessage(loader.status, board));
        outcome.devices = {board};
        return outcome;
    }
    std::array<uint8_t, 1> cpucs{1};
    const UsbTransferResult hold = ramTransfer(*loader.device, false, kCpucsAddress, cpucs);
    if (hold.status != UsbStatus::Ok) {
        return failure(usbresult::kLoadIoError,
                       std::string("holding the board's CPU failed: ") + toString(hold.status));
    }
    LoadOutcome written = writeImage(*loader.device, image);
    if (written.code != 0) return written;
    LoadOutcome verified = verifyImage(*loader.device, image);
    if (verified.code != 0) return verified;

    // Starting the CPU usually drops the device off the bus, so the release
    // transfer may end in an I/O error or a disconnect: both mean it started.
    cpucs[0] = 0;
    const UsbTransferResult start = ramTransfer(*loader.device, false, kCpucsAddress, cpucs);
    if (start.status != UsbStatus::Ok && start.status != UsbStatus::Io &&
        start.status != UsbStatus::NoDevice) {
        return failure(usbresult::kLoadIoError,
                       std::string("starting the board's CPU failed: ") + toString(start.status));
    }
    const UsbTransport::Clock::time_point released = transport_.now();
    loader.device.reset();
    return waitForFirmware(board, knownIds, released);
}

EzUsbLoader::Opened EzUsbLoader::openAndClaim(const UsbDeviceInfo& info) {
    UsbOpenResult opened = transport_.open(info);
    if (opened.status != UsbStatus::Ok) return {opened.status, nullptr};
    const UsbStatus claimed = opened.device->claimInterface0();
    if (claimed != UsbStatus::Ok) return {claimed, nullptr};
    return {UsbStatus::Ok, std::move(opened.device)};
}

UsbTransferResult EzUsbLoader::ramTransfer(UsbDevice& device, bool in, uint32_t address,
                                           std::span<uint8_t> data) {
    return device.control(in ? 0xC0 : 0x40, kLoadRequest, static_cast<uint16_t>(address & 0xFFFF),
                          static_cast<uint16_t>(address >> 16), data, kTransferTimeout);
}

LoadOutcome EzUsbLoader::writeImage(UsbDevice& device, std::span<const HexSegment> image) {
    std::vector<uint8_t> chunk;
    for (const HexSegment& segment : image) {
        for (std::size_t done = 0; done < segment.bytes.size(); done += chunk.size()) {
            const std::size_t n = std::min(kChunkSize, segment.bytes.size() - done);
            chunk.assign(segment.bytes.begin() + static_cast<std::ptrdiff_t>(done),
                         segment.bytes.begin() + static_cast<std::ptrdiff_t>(done + n));
            const uint32_t at = segment.address + static_cast<uint32_t>(done);
            const UsbTransferResult result = ramTransfer(device, false, at, chunk);
            if (result.status != UsbStatus::Ok || result.transferred != n) {
                return failure(usbresult::kLoadIoError,
                               "writing " + hexByte(at, 4) + " failed: " +
                                   (result.status == UsbStatus::Ok ? std::string("short transfer")
                                                                   : toString(result.status)));
            }
        }
    }
    return {};
}

LoadOutcome EzUsbLoader::verifyImage(UsbDevice& device, std::span<const HexSegment> image) {
    std::vector<uint8_t> chunk;
    for (const HexSegment& segment : image) {
        for (std::size_t done = 0; done < segment.bytes.size(); done += chunk.size()) {
            const std::size_t n = std::min(kChunkSize, segment.bytes.size() - done);
            chunk.assign(n, 0);
            const uint32_t at = segment.address + static_cast<uint32_t>(done);
            const UsbTransferResult result = ramTransfer(device, true, at, chunk);
            if (result.status != UsbStatus::Ok || result.transferred != n) {
                return failure(usbresult::kLoadIoError,
                               "reading back " + hexByte(at, 4) + " failed: " +
                                   (result.status == UsbStatus::Ok ? std::string("short transfer")
                                                                   : toString(result.status)));
            }
            const auto expected = segment.bytes.begin() + static_cast<std::ptrdiff_t>(done);
            const auto [read, wrote] = std::mismatch(chunk.begin(), chunk.end(), expected);
            if (read != chunk.end()) {
                const uint32_t where = at + static_cast<uint32_t>(read - chunk.begin());
                return failure(usbresult::kVerifyMismatch, "RAM at " + hexByte(where, 4) +
                                                               " reads back " + hexByte(*read, 2) +
                                                               ", written " + hexByte(*wrote, 2));
            }
        }
    }
    return {};
}

namespace {

// The firmware's device: on the loader's bus at another address, on the
// loader's port (a port holds one device, so the loader has left), or, when
// the port cannot be told, under one of the IDs a board is known by.
bool isFirmwareOf(const UsbDeviceInfo& device, const UsbDeviceInfo& loader,
                  std::span<const UsbId> knownIds) {
    if (device.bus != loader.bus || device.address == loader.address) return false;
    if (!loader.portPath.empty()) return device.portPath == loader.portPath;
    return std::find(knownIds.begin(), knownIds.end(), device.id) != knownIds.end();
}

}  // namespace

// Looks at the bus every kPollInterval, for at most kReenumerationLimit after
// the release, until the firmware's device is there and can be opened. The
// loader's own device is never taken, even if it lingers: it is about to
// leave. A node that refuses access is tried again, since udev may still be
// setting its permissions.
LoadOutcome EzUsbLoader::waitForFirmware(const UsbDeviceInfo& loader,
                                         std::span<const UsbId> knownIds,
                                         UsbTransport::Clock::time_point released) {
    const auto deadline = released + kReenumerationLimit;
    bool loaderLeft = false;
    std::optional<LoadOutcome> refused;
    while (true) {
        const UsbDeviceList list = transport_.listDevices();
        if (list.status == UsbStatus::Ok) {
            const UsbDeviceInfo* firmware = nullptr;
            bool loaderThere = false;
            for (const UsbDeviceInfo& device : list.devices) {
                loaderThere =
                    loaderThere || (device.bus == loader.bus && device.address == loader.address);
                if (isFirmwareOf(device, loader, knownIds)) firmware = &device;
            }
            loaderLeft = loaderLeft || !loaderThere;
            if (firmware != nullptr) {
                Opened opened = openAndClaim(*firmware);
                if (opened.status == UsbStatus::Ok) {
                    LoadOutcome outcome;
                    outcome.firmware = std::move(opened.device);
                    outcome.firmwareInfo = *firmware;
                    return outcome;
                }
                if (opened.status == UsbStatus::AccessDenied || opened.status == UsbStatus::Busy) {
                    refused = failure(openFailureCode(opened.status),
                                      openFailureMessage(opened.status, *firmware));
                    refused->devices = {*firmware};
                }
            }
        }
        const auto now = transport_.now();
        if (now >= deadline) break;
        transport_.sleep(std::min<std::chrono::milliseconds>(
            kPollInterval, std::chrono::ceil<std::chrono::milliseconds>(deadline - now)));
    }
    if (refused) return std::move(*refused);
    LoadOutcome outcome =
        loaderLeft ? failure(usbresult::kReenumerationTimeout,
                             "the firmware did not appear on the port of " + loader.describe() +
                                 " within 5 s of starting it")
                   : failure(usbresult::kNoReenumeration,
                             "the board (" + loader.describe() +
                                 ") was still on the bus 5 s after its firmware was started: the "
                                 "firmware did not take over the USB link (is it the firmware for "
                                 "this board?)");
    outcome.devices = {loader};
    return outcome;
}

}  // namespace kteval
