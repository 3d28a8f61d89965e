#include "chip_word.h"

#include <string>

#include "hex_digits.h"

namespace kteval {

using namespace chip;

namespace {

WordKind specialKind(int code) {
    if (code == kControl) return WordKind::Control;
    if (code >= kOffsetDac0 && code < kOffsetDac0 + kOffsetDacCount) return WordKind::OffsetDac;
    if (code == kReadback) return WordKind::Readback;
    if (code >= kGroupSelect0 && code < kGroupSelect0 + kGroupCount) return WordKind::GroupSelect;
    if (code == kMonitor) return WordKind::Monitor;
    if (code == kGpio) return WordKind::Gpio;
    return WordKind::UnknownSpecial;
}

// Upper-case hexadecimal with a 0x prefix and at least minDigits digits.
std::string hexText(uint32_t value, int minDigits) {
    return "0x" + hexDigits(value, minDigits);
}

}  // namespace

int32_t wordOfRequest(int32_t value, int32_t index) {
    return ((index & 0xFF) << 16) | (value & 0xFFFF);
}

ChipWord decodeWord(int32_t word) {
    ChipWord decoded;
    decoded.mode = (word >> 22) & 0x3;
    decoded.address = (word >> 16) & 0x3F;
    decoded.data = static_cast<uint16_t>(word & 0xFFFF);
    if (decoded.mode != kModeSpecial) {
        if (decoded.address < kFirstChannelAddress || decoded.address > kLastChannelAddress) {
            decoded.kind = WordKind::NoChannel;
            return decoded;
        }
        static_assert(kLastChannelAddress - kFirstChannelAddress + 1 == 40);
        decoded.channelIndex = decoded.address - kFirstChannelAddress;
        decoded.kind = decoded.mode == kModeX   ? WordKind::XWrite
                       : decoded.mode == kModeC ? WordKind::CWrite
                                                : WordKind::MWrite;
        return decoded;
    }
    decoded.kind = specialKind(decoded.address);
    if (decoded.kind == WordKind::OffsetDac) decoded.unit = decoded.address - kOffsetDac0;
    if (decoded.kind == WordKind::GroupSelect) decoded.unit = decoded.address - kGroupSelect0;
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
            return std::string(name) + " ch " + std::to_string(word.channelIndex) + " data " +
                   data4;
        }
        case WordKind::NoChannel:
            return "mode " + std::to_string(word.mode) + " write to address " +
                   hexText(static_cast<uint32_t>(word.address), 2) + " (no channel) data " + data4;
        case WordKind::Control:
            if ((word.data & ~kControlSelectB) != 0) return "control " + data4;
            return (word.data & kControlSelectB) != 0 ? "control B" : "control A";
        case WordKind::OffsetDac:
            return "offset DAC " + std::to_string(word.unit) + " " + data4;
        case WordKind::Readback:
            return "readback " + data4;
        case WordKind::GroupSelect:
            return "group select " + std::to_string(word.unit) + " " + hexText(word.data, 2);
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
