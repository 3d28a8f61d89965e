#include "usb_ids.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

#include "hex_digits.h"

namespace kteval {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<uint16_t> hex16(std::string_view text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return static_cast<uint16_t>(value);
}

}  // namespace

std::string toString(UsbId id) {
    // IDs are written in lower case, as lsusb and udev rules write them.
    std::string text = hexDigits(id.vendor, 4) + ':' + hexDigits(id.product, 4);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

UsbIdList parseUsbIds(std::string_view text) {
    UsbIdList list;
    if (trimmed(text).empty()) return list;
    std::size_t pos = 0;
    while (true) {
        const std::size_t comma = text.find(',', pos);
        const std::string_view entry =
            trimmed(text.substr(pos, comma == std::string_view::npos ? text.npos : comma - pos));
        const std::size_t colon = entry.find(':');
        const auto vendor = colon == entry.npos ? std::nullopt : hex16(entry.substr(0, colon));
        const auto product = colon == entry.npos ? std::nullopt : hex16(entry.substr(colon + 1));
        if (!vendor || !product) {
            list.ids.clear();
            list.error = "KTEVAL_USB_IDS: \"" + std::string(entry) +
                         "\" is not a vendor:product pair such as 04b4:8613";
            return list;
        }
        const UsbId id{*vendor, *product};
        bool known = false;
        for (const UsbId& seen : list.ids) known = known || seen == id;
        if (!known) list.ids.push_back(id);
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    return list;
}

std::string usbIdsFromEnvironment() {
    const char* value = std::getenv("KTEVAL_USB_IDS");
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace kteval
