#include "usb_transport.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace kteval {

namespace {

void appendDecimal(std::string& out, unsigned value) {
    std::array<char, 12> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), end);
}

}  // namespace

const char* toString(UsbStatus status) {
    switch (status) {
        case UsbStatus::Ok:
            return "ok";
        case UsbStatus::AccessDenied:
            return "access denied";
        case UsbStatus::Busy:
            return "busy";
        case UsbStatus::NoDevice:
            return "no device";
        case UsbStatus::NotFound:
            return "not found";
        case UsbStatus::Timeout:
            return "timeout";
        case UsbStatus::Stall:
            return "stall";
        case UsbStatus::Overflow:
            return "overflow";
        case UsbStatus::Io:
            return "I/O error";
        case UsbStatus::Unavailable:
            return "USB unavailable";
    }
    return "unknown";
}

std::string UsbDeviceInfo::describe() const {
    std::string text = toString(id) + " on bus ";
    appendDecimal(text, bus);
    text += " port ";
    for (std::size_t i = 0; i < portPath.size(); ++i) {
        if (i > 0) text += '.';
        appendDecimal(text, portPath[i]);
    }
    if (portPath.empty()) text += '-';
    text += " (address ";
    appendDecimal(text, address);
    text += ')';
    return text;
}

std::string UsbDeviceInfo::node() const {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "/dev/bus/usb/%03u/%03u", unsigned{bus},
                  unsigned{address});
    return text.data();
}

}  // namespace kteval
