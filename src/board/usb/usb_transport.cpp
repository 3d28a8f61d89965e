#include "usb_transport.h"

#include <array>
#include <cstdio>
#include <string>

namespace kteval {

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
    text += std::to_string(bus);
    text += " port ";
    for (std::size_t i = 0; i < portPath.size(); ++i) {
        if (i > 0) text += '.';
        text += std::to_string(portPath[i]);
    }
    if (portPath.empty()) text += '-';
    text += " (address ";
    text += std::to_string(address);
    text += ')';
    return text;
}

std::string UsbDeviceInfo::node() const {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "/dev/bus/usb/%03u/%03u", unsigned{bus},
                  unsigned{address});
    return text.data();
}

std::string UsbDeviceInfo::portName() const {
    std::string text = std::to_string(bus);
    for (std::size_t i = 0; i < portPath.size(); ++i) {
        text += i == 0 ? '-' : '.';
        text += std::to_string(portPath[i]);
    }
    return text;
}

}  // namespace kteval
