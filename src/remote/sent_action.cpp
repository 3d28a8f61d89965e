#include "sent_action.h"

#include <array>

namespace kteval::remote {

namespace {

std::string channelHeader(const PartInfo& part, int index) {
    return "DAC" + std::to_string(channelNumberOfIndex(&part, index)) + ":";
}

}  // namespace

std::string commandLine(const SentAction& action, const PartInfo& part) {
    using Kind = SentAction::Kind;
    const std::string code = std::to_string(action.code);
    switch (action.kind) {
        case Kind::Register: {
            constexpr std::array<const char*, 4> kNames{"X1A ", "X1B ", "M ", "C "};
            return channelHeader(part, action.channel) +
                   kNames[static_cast<std::size_t>(action.reg)] + code;
        }
        case Kind::Mux:
            return channelHeader(part, action.channel) + (action.choice ? "MUX B" : "MUX A");
        case Kind::Input:
            return action.choice ? "INP B" : "INP A";
        case Kind::Offset:
            return "OFFS" + std::to_string(action.group) + " " + code;
        case Kind::Word:
            return "WORD " + code;
        case Kind::Ldac:
            if (!action.choice) return "PULS:LDAC";
            return "CHAN " + std::to_string(channelNumberOfIndex(&part, action.channel)) +
                   ";:PULS:LDAC";
        case Kind::Reset:
            return "PULS:RES";
        case Kind::Line: {
            constexpr std::array<const char*, 3> kLines{"LINE:RES ", "LINE:CLR ", "LINE:LDAC "};
            return kLines[static_cast<std::size_t>(action.line)] +
                   std::string(action.choice ? "HIGH" : "LOW");
        }
        case Kind::Monitor:
            return action.choice ? "MON ON" : "MON OFF";
        case Kind::MonitorSource:
            return "MON:SOUR \"" + action.entry + "\"";
        case Kind::Gpio:
            return "GPIO:MODE " +
                   std::string(kGpioModeNames[static_cast<std::size_t>(action.gpio)]);
        case Kind::GpioRead:
            return "GPIO?";
        case Kind::Reload:
            return "BOARD:REL";
        case Kind::Reference:
            return "VREF" + std::to_string(action.group) + " " + action.entry;
        case Kind::Limit:
            return channelHeader(part, action.channel) +
                   (action.choice ? "VOLT:LIM:UPP " : "VOLT:LIM:LOW ") + action.entry;
    }
    return {};
}

std::string partCommand(const PartInfo& part) {
    return "PART " + std::string(part.name);
}

}  // namespace kteval::remote
