#include "command_table.h"

#include <array>

#include "common_commands.h"
#include "handlers.h"
#include "limit_handlers.h"
#include "measure_handlers.h"
#include "sequence_handlers.h"
#include "setup_handlers.h"

namespace kteval::remote {

namespace {

using enum SuffixKind;

// clang-format off
constexpr std::array kCommands{
    //            header                  query  params suffix   441x   handler
    CommandEntry{"*IDN",                  true,  0, None,    false, identify},
    CommandEntry{"*RST",                  false, 0, None,    false, pulseReset},
    CommandEntry{"*CLS",                  false, 0, None,    false, clearStatus},
    CommandEntry{"*OPC",                  true,  0, None,    false, operationComplete},
    CommandEntry{"*OPC",                  false, 0, None,    false, setOperationComplete},
    CommandEntry{"SYSTem:ERRor[:NEXT]",   true,  0, None,    false, nextError},
    CommandEntry{"CHANnel",               false, 1, None,    false, selectChannel},
    CommandEntry{"CHANnel",               true,  0, None,    false, selectedChannel},
    CommandEntry{"DAC#:X1A",              false, 1, Channel, false, writeRegister<Register::X1A>},
    CommandEntry{"DAC#:X1B",              false, 1, Channel, false, writeRegister<Register::X1B>},
    CommandEntry{"DAC#:M",                false, 1, Channel, false, writeRegister<Register::M>},
    CommandEntry{"DAC#:C",                false, 1, Channel, false, writeRegister<Register::C>},
    CommandEntry{"DAC#:X1A",              true,  0, Channel, false, registerValue<&DAC::X1A>},
    CommandEntry{"DAC#:X1B",              true,  0, Channel, false, registerValue<&DAC::X1B>},
    CommandEntry{"DAC#:M",                true,  0, Channel, false, registerValue<&DAC::M>},
    CommandEntry{"DAC#:C",                true,  0, Channel, false, registerValue<&DAC::C>},
    CommandEntry{"DAC#:X2A",              true,  0, Channel, false, registerValue<&DAC::X2A>},
    CommandEntry{"DAC#:X2B",              true,  0, Channel, false, registerValue<&DAC::X2B>},
    CommandEntry{"DAC#:REGister",         true,  0, Channel, false, registerValue<&DAC::DACreg>},
    CommandEntry{"DAC#:MUX",              false, 1, Channel, false, setMux},
    CommandEntry{"DAC#:MUX",              true,  0, Channel, false, muxSource},
    CommandEntry{"DAC#:VOLTage",          true,  0, Channel, false, outputVoltage},
    CommandEntry{"OFFSet#",               false, 1, Group,   false, writeOffset},
    CommandEntry{"OFFSet#",               true,  0, Group,   false, offsetCode},
    CommandEntry{"VREF#",                 false, 1, Group,   false, setReference},
    CommandEntry{"VREF#",                 true,  0, Group,   false, referenceVoltage},
    CommandEntry{"WORD",                  false, 1, None,    false, loadWord},
    CommandEntry{"PULSe:LDAC",            false, 0, None,    false, pulseLdac},
    CommandEntry{"PULSe:RESet",           false, 0, None,    false, pulseReset},
    CommandEntry{"LINE:RESet",            false, 1, None,    false, setLine<Line::Reset>},
    CommandEntry{"LINE:CLR",              false, 1, None,    false, setLine<Line::Clr>},
    CommandEntry{"LINE:LDAC",             false, 1, None,    false, setLine<Line::Ldac>},
    CommandEntry{"LINE:RESet",            true,  0, None,    false, lineLevel<Line::Reset>},
    CommandEntry{"LINE:CLR",              true,  0, None,    false, lineLevel<Line::Clr>},
    CommandEntry{"LINE:LDAC",             true,  0, None,    false, lineLevel<Line::Ldac>},
    CommandEntry{"MONitor[:STATe]",       false, 1, None,    true,  setMonitor},
    CommandEntry{"MONitor:SOURce",        false, 1, None,    true,  setMonitorSource},
    CommandEntry{"GPIO:MODE",             false, 1, None,    true,  setGpioMode},
    CommandEntry{"GPIO",                  true,  0, None,    true,  readGpio},
    CommandEntry{"BOARD:RELoad",          false, 0, None,    false, reloadBoard},
    // Setups and volts
    CommandEntry{"*LRN",                  true,  0, None,    false, learn},
    CommandEntry{"INPut",                 false, 1, None,    false, chooseInput},
    CommandEntry{"INPut",                 true,  0, None,    false, inputChoice},
    CommandEntry{"DAC#:VOLTage",          false, 1, Channel, false, setVoltage},
    CommandEntry{"DAC#:VOLTage:RANGe",    true,  0, Channel, false, voltageRange},
    CommandEntry{"DAC#:VOLTage:STEP",     true,  0, Channel, false, voltageStep},
    CommandEntry{"DAC#:VOLTage:EXACt",    true,  0, Channel, false, outputVoltageExact},
    CommandEntry{"DAC#:VOLTage:LIMit:LOWer", false, 1, Channel, false, setLowerLimit},
    CommandEntry{"DAC#:VOLTage:LIMit:UPPer", false, 1, Channel, false, setUpperLimit},
    CommandEntry{"DAC#:VOLTage:LIMit:LOWer", true,  0, Channel, false, lowerLimit},
    CommandEntry{"DAC#:VOLTage:LIMit:UPPer", true,  0, Channel, false, upperLimit},
    CommandEntry{"PART",                  false, 1, None,    false, statePart},
    CommandEntry{"PART",                  true,  0, None,    false, partName},
    // Measuring and calibration with a meter (--dmm).
    CommandEntry{"DAC#:MEASure",          true,  0, Channel, false, measureOutput},
    CommandEntry{"DAC#:CALibrate",        false, 0, Channel, false, calibrateChannel},
    CommandEntry{"DAC#:CALibrate",        true,  0, Channel, false, calibrationResult},
    CommandEntry{"CALibrate:ALL",         false, 0, None,    false, calibrateAll},
    CommandEntry{"CALibrate:LOAD",        false, 0, None,    false, loadCalibration},
    // Ramps and lists.
    CommandEntry{"DAC#:VOLTage:SLEW",     false, 1, Channel, false, setSlew},
    CommandEntry{"DAC#:VOLTage:SLEW",     true,  0, Channel, false, slewRate},
    CommandEntry{"DAC#:LIST:VOLTage",     false, kOneOrMore, Channel, false, setListVolts},
    CommandEntry{"DAC#:LIST:VOLTage:APPend", false, kOneOrMore, Channel, false, appendListVolts},
    CommandEntry{"DAC#:LIST:VOLTage",     true,  0, Channel, false, listVolts},
    CommandEntry{"DAC#:LIST:CODE",        false, kOneOrMore, Channel, false, setListCodes},
    CommandEntry{"DAC#:LIST:CODE:APPend", false, kOneOrMore, Channel, false, appendListCodes},
    CommandEntry{"DAC#:LIST:CODE",        true,  0, Channel, false, listCodes},
    CommandEntry{"LIST:DWELl",            false, 1, None,    false, setDwell},
    CommandEntry{"LIST:DWELl",            true,  kNoneOrOne, None, false, dwellTime},
    CommandEntry{"LIST:COUNt",            false, 1, None,    false, setCount},
    CommandEntry{"LIST:COUNt",            true,  0, None,    false, listCount},
    CommandEntry{"TRIGger:SOURce",        false, 1, None,    false, setTriggerSource},
    CommandEntry{"TRIGger:SOURce",        true,  0, None,    false, triggerSource},
    CommandEntry{"INITiate[:IMMediate]",  false, 0, None,    false, initiate},
    CommandEntry{"ABORt",                 false, 0, None,    false, abortSequences},
    CommandEntry{"*TRG",                  false, 0, None,    false, busTrigger},
    CommandEntry{"STATus:OPERation:CONDition", true, 0, None, false, operationCondition},
    // IEEE 488.2 status, self-test and SCPI-required queries.
    CommandEntry{"*ESE",                  false, 1, None,    false, setEventEnable},
    CommandEntry{"*ESE",                  true,  0, None,    false, eventEnable},
    CommandEntry{"*ESR",                  true,  0, None,    false, eventStatus},
    CommandEntry{"*SRE",                  false, 1, None,    false, setServiceEnable},
    CommandEntry{"*SRE",                  true,  0, None,    false, serviceEnable},
    CommandEntry{"*STB",                  true,  0, None,    false, statusByte},
    CommandEntry{"*TST",                  true,  0, None,    false, selfTest},
    CommandEntry{"*WAI",                  false, 0, None,    false, nothing},
    CommandEntry{"*OPT",                  true,  0, None,    false, options},
    CommandEntry{"SYSTem:VERSion",        true,  0, None,    false, scpiVersion},
    CommandEntry{"SYSTem:ERRor:COUNt",    true,  0, None,    false, errorCount},
    CommandEntry{"SYSTem:ERRor:ALL",      true,  0, None,    false, allErrors},
    // Read-back of the monitor and GPIO settings.
    CommandEntry{"MONitor[:STATe]",       true,  0, None,    true,  monitorState},
    CommandEntry{"MONitor:SOURce",        true,  0, None,    true,  monitorSource},
    CommandEntry{"GPIO:MODE",             true,  0, None,    true,  gpioMode},
};
// clang-format on

struct Node {
    std::string_view form;
    bool optional = false;
    bool takesSuffix = false;
};

constexpr std::size_t kMaxNodes = 4;

struct Pattern {
    std::array<Node, kMaxNodes> nodes{};
    std::size_t count = 0;
};

Pattern parsePattern(std::string_view header) {
    Pattern pattern;
    std::size_t pos = 0;
    while (pos < header.size() && pattern.count < kMaxNodes) {
        Node node;
        if (header.substr(pos, 2) == "[:") {
            node.optional = true;
            pos += 2;
        } else if (header[pos] == ':') {
            ++pos;
        }
        const std::size_t end = header.find_first_of(":[]", pos);
        node.form = header.substr(pos, end == std::string_view::npos ? end : end - pos);
        pos = end == std::string_view::npos ? header.size() : end;
        if (pos < header.size() && header[pos] == ']') ++pos;
        if (!node.form.empty() && node.form.back() == '#') {
            node.takesSuffix = true;
            node.form.remove_suffix(1);
        }
        pattern.nodes[pattern.count++] = node;
    }
    return pattern;
}

bool matchNodes(const Pattern& pattern, std::size_t node, std::span<const Keyword> keywords,
                std::size_t keyword, uint32_t& suffix) {
    if (node == pattern.count) return keyword == keywords.size();
    const Node& n = pattern.nodes[node];
    if (n.optional && matchNodes(pattern, node + 1, keywords, keyword, suffix)) return true;
    if (keyword == keywords.size()) return false;
    const Keyword& k = keywords[keyword];
    if (k.hasSuffix != n.takesSuffix || !matchesForm(k.name, n.form)) return false;
    if (!matchNodes(pattern, node + 1, keywords, keyword + 1, suffix)) return false;
    if (n.takesSuffix) suffix = k.suffix;
    return true;
}

}  // namespace

std::span<const CommandEntry> commandTable() {
    return kCommands;
}

bool matchesForm(std::string_view written, std::string_view form) {
    std::size_t shortLength = 0;
    while (shortLength < form.size() && !(form[shortLength] >= 'a' && form[shortLength] <= 'z')) {
        ++shortLength;
    }
    return equalIgnoringCase(written, form) ||
           equalIgnoringCase(written, form.substr(0, shortLength));
}

HeaderLookup findCommand(std::span<const Keyword> keywords, bool query) {
    HeaderLookup lookup;
    if (keywords.empty() || keywords.size() > kMaxNodes) return lookup;
    for (const CommandEntry& entry : kCommands) {
        if (entry.query != query) continue;
        uint32_t suffix = 0;
        if (matchNodes(parsePattern(entry.header), 0, keywords, 0, suffix)) {
            lookup.entry = &entry;
            lookup.suffix = suffix;
            return lookup;
        }
    }
    return lookup;
}

}  // namespace kteval::remote
