#include "chip_word.h"

#include <array>
#include <charconv>

namespace kteval {

namespace {

constexpr int kFirstChannelAddress = 8;
constexpr int kLastChannelAddress = 47;

WordKind specialKind(int code) {
    switch (code) {
        case 0x01:
            return WordKind::Control;
        case 0x02:
        case 0x03:
        case 0x04:
            return WordKind::OffsetDac;
        case 0x05:
            return WordKind::Readback;
        case 0x06:
        case 0x07:
        case 0x08:
        case 0x09:
        case 0x0A:
            return WordKind::GroupSelect;
        case 0x0C:
            return WordKind::Monitor;
        case 0x0D:
            return WordKind::Gpio;
        default:
            return WordKind::UnknownSpecial;
    }
}

std::string decimal(int value) {
    std::array<char, 16> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    return std::string(digits.data(), result.ptr);
}

}  // namespace

std::string hexText(uint32_t value, int minDigits) {
    std::array<char, 16> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value, 16);
    std::string text = "0x";
    const auto length = static_cast<int>(result.ptr - digits.data());
    if (length < minDigits) text.append(static_cast<std::size_t>(minDigits - length), '0');
    for (const char* p = digits.data(); p != result.ptr; ++p) {
        text += (*p >= 'a' && *p <= 'f') ? static_cast<char>(*p - 'a' + 'A') : *p;
    }
    return text;
}

int32_t wordOfRequest(int32_t value, int32_t index) {
    return ((index & 0xFF) << 16) | (value & 0xFFFF);
}

ChipWord decodeWord(int32_t word) {
    ChipWord decoded;
    decoded.mode = (word >> 22) & 0x3;
    decoded.address = (word >> 16) & 0x3F;
    decoded.data = static_cast<uint16_t>(word & 0xFFFF);
    if (decoded.mode != 0) {
        if (decoded.address < kFirstChannelAddress || decoded.address > kLastChannelAddress) {
            decoded.kind = WordKind::NoChannel;
            return decoded;
        }
        static_assert(kLastChannelAddress - kFirstChannelAddress + 1 == 40);
        decoded.channelIndex = decoded.address - kFirstChannelAddress;
        decoded.kind = decoded.mode == 3   ? WordKind::XWrite
                       : decoded.mode == 2 ? WordKind::CWrite
                                           : WordKind::MWrite;
        return decoded;
    }
    decoded.kind = specialKind(decoded.address);
    if (decoded.kind == WordKind::OffsetDac) decoded.unit = decoded.address - 0x02;
    if (decoded.kind == WordKind::GroupSelect) decoded.unit = decoded.address - 0x06;
    return decoded;
}

std::string describeWord(const ChipWord& word) {
    const std::string data4 = hexText(word.data, 4);
    switch (word.kind) {
        case WordKind::XWrite:
        case WordKind::CWrite:
        case WordKind::MWrite: {
            const char* name = word.kind == WordKind::XWrite   ? "X write"
                               : word.kind == WordKind::CWrite ? "C write"
                                                               : "M write";
            return std::string(name) + " ch " + decimal(word.channelIndex) + " data " + data4;
        }
        case WordKind::NoChannel:
            return "mode " + decimal(word.mode) + " write to address " +
                   hexText(static_cast<uint32_t>(word.address), 2) + " (no channel) data " + data4;
        case WordKind::Control:
            if ((word.data & ~kControlSelectB) != 0) return "control " + data4;
            return (word.data & kControlSelectB) != 0 ? "control B" : "control A";
        case WordKind::OffsetDac:
            return "offset DAC " + decimal(word.unit) + " " + data4;
        case WordKind::Readback:
            return "readback " + data4;
        case WordKind::GroupSelect:
            return "group select " + decimal(word.unit) + " " + hexText(word.data, 2);
        case WordKind::Monitor:
            return "monitor " + hexText(word.data, 2);
        case WordKind::Gpio:
            switch (word.data) {
                case 0:
                    return "GPIO input";
                case kGpioOutputEnable:
                    return "GPIO output low";
                case kGpioOutputEnable | kGpioOutputHigh:
                    return "GPIO output high";
                default:
                    return "GPIO " + data4;
            }
        case WordKind::UnknownSpecial:
            return "unknown special " + hexText(static_cast<uint32_t>(word.address), 2) + " data " +
                   data4;
    }
    return {};
}

}  // namespace kteval
