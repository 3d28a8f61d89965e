#include "libusb_board.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "ezusb_loader.h"
#include "intel_hex.h"

namespace kteval {

namespace {

struct FileText {
    int16_t code = usbresult::kOk;
    std::string text;  // the content, or what went wrong
};

FileText readFile(const std::string& path, std::size_t limit) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return {usbresult::kFirmwareUnreadable,
                "cannot open " + path + ": " + std::generic_category().message(errno)};
    }
    FileText result;
    std::array<char, 65536> block{};
    while (true) {
        const std::size_t n = std::fread(block.data(), 1, block.size(), file);
        result.text.append(block.data(), n);
        if (result.text.size() > limit) {
            result = {usbresult::kHexFormat, path + " is too large to be a firmware image"};
            break;
        }
        if (n < block.size()) {
            if (std::ferror(file) != 0) {
                result = {usbresult::kFirmwareUnreadable,
                          "cannot read " + path + ": " + std::generic_category().message(errno)};
            }
            break;
        }
    }
    std::fclose(file);
    return result;
}

}  // namespace

std::size_t FirmwareFile::bytes() const {
    std::size_t total = 0;
    for (const HexSegment& segment : image) total += segment.bytes.size();
    return total;
}

FirmwareFile readFirmwareFile(const std::string& path) {
    FirmwareFile firmware;
    const FileText file = readFile(path, LibusbBoard::kMaxFirmwareFileSize);
    if (file.code != usbresult::kOk) {
        firmware.code = file.code;
        firmware.message = file.text;
        return firmware;
    }
    HexParseResult parsed = parseIntelHex(file.text);
    if (!parsed.ok()) {
        firmware.code = parsed.error->kind == HexErrorKind::OutsideRam ? usbresult::kImageOutsideRam
                                                                       : usbresult::kHexFormat;
        firmware.message = path + " " + parsed.error->message;
    } else if (parsed.segments.empty()) {
        firmware.code = usbresult::kHexFormat;
        firmware.message = path + " holds no data";
    } else {
        firmware.image = std::move(parsed.segments);
    }
    return firmware;
}

LibusbBoard::LibusbBoard(UsbTransport& transport, std::string_view usbIds, UsbIdCache idCache)
    : transport_(transport), extraIds_(parseUsbIds(usbIds)), idCache_(std::move(idCache)) {}

void LibusbBoard::chooseBoard(std::string id) {
    choice_.id = std::move(id);
    name_ = choice_.id;
}

std::vector<UsbId> LibusbBoard::candidateIds() const {
    std::vector<UsbId> ids{kEzUsbLoaderId};
    const auto add = [&ids](UsbId id) {
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    };
    for (const UsbId& id : extraIds_.ids) add(id);
    for (const UsbId& id : idCache_.read()) add(id);
    if (firmwareId_) add(*firmwareId_);
    return ids;
}

int16_t LibusbBoard::fail(int16_t code, std::string message, std::vector<UsbDeviceInfo> devices) {
    lastError_ = std::move(message);
    lastDevices_ = std::move(devices);
    return code;
}

int16_t LibusbBoard::LoadFirmWare(const uint8_t* path) {
    if (!extraIds_.ok()) return fail(usbresult::kBadUsbIds, *extraIds_.error);
    if (path == nullptr) return fail(usbresult::kFirmwareUnreadable, "no firmware path given");
    return loadFile(std::string(reinterpret_cast<const char*>(path)));
}

int16_t LibusbBoard::loadFile(const std::string& path) {
    // Everything that can be checked without touching the bus is checked
    // first; until then the running firmware stays open.
    const FirmwareFile file = readFirmwareFile(path);
    if (file.code != usbresult::kOk) return fail(file.code, file.message);
    const std::vector<UsbId> ids = candidateIds();
    EzUsbLoader loader(transport_);
    const BoardSearch search = loader.findBoard(ids, choice_);
    if (search.code != usbresult::kOk) return fail(search.code, search.message, search.found);

    firmware_.reset();
    gone_ = false;
    LoadOutcome outcome = loader.load(file.image, search.board, ids);
    if (outcome.code != usbresult::kOk) {
        return fail(outcome.code, outcome.message, std::move(outcome.devices));
    }
    firmware_ = std::move(outcome.firmware);
    firmwareId_ = outcome.firmwareInfo.id;
    choice_.port = outcome.firmwareInfo.portName();
    UsbDeviceInfo loaded = outcome.firmwareInfo;
    transport_.readSerial(loaded);
    name_ = loaded.boardId();
    if (*firmwareId_ != kEzUsbLoaderId) idCache_.remember(*firmwareId_);  // a help, not a need
    lastError_.clear();
    lastDevices_.clear();
    return usbresult::kOk;
}

int16_t LibusbBoard::VendorIORequest(int16_t request, int32_t value, int32_t index,
                                     int16_t direction, int16_t length, uint8_t* buffer) {
    if (request < 0 || request > 0xFF || (direction != 0 && direction != 1) || length < 0 ||
        length > kMaxRequestLength || (buffer == nullptr && length > 0)) {
        return fail(usbresult::kBadArgument, "invalid vendor request arguments");
    }
    if (gone_) return fail(usbresult::kDeviceGone, "the board was disconnected");
    if (!firmware_) return fail(usbresult::kNotOpen, "no firmware loaded");

    const uint8_t requestType = direction == 1 ? 0xC0 : 0x40;
    const std::span<uint8_t> data(buffer, static_cast<std::size_t>(length));
    const UsbTransferResult result = firmware_->control(
        requestType, static_cast<uint8_t>(request), static_cast<uint16_t>(value & 0xFFFF),
        static_cast<uint16_t>(index & 0xFFFF), data, EzUsbLoader::kTransferTimeout);
    switch (result.status) {
        case UsbStatus::Ok:
            if (result.transferred != data.size()) {
                return fail(usbresult::kShortTransfer, "short transfer");
            }
            lastError_.clear();
            return static_cast<int16_t>(result.transferred);
        case UsbStatus::Timeout:
            return fail(usbresult::kTimeout, "request timed out");
        case UsbStatus::Stall:
            return fail(usbresult::kStall, "request refused by the board");
        case UsbStatus::NoDevice:
            firmware_.reset();
            gone_ = true;
            return fail(usbresult::kDeviceGone, "the board was disconnected");
        default:
            return fail(usbresult::kTransferFailed,
                        std::string("USB transfer failed: ") + toString(result.status));
    }
}

}  // namespace kteval
