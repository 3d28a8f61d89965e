#include "command_table.h"

#include <array>

#include "handlers.h"

namespace kteval::remote {

namespace {

using enum SuffixKind;

// clang-format off
constexpr std::array kCommands{
    //           header                  query  params suffix   441x   handler
    CommandSpec{"*IDN",                  true,  0, None,    false, identify},
    CommandSpec{"*RST",                  false, 0, None,    false, pulseReset},
    CommandSpec{"*CLS",                  false, 0, None,    false, clearStatus},
    CommandSpec{"*OPC",                  true,  0, None,    false, operationComplete},
    CommandSpec{"*OPC",                  false, 0, None,    false, nothing},
    CommandSpec{"SYSTem:ERRor[:NEXT]",   true,  0, None,    false, nextError},
    CommandSpec{"CHANnel",               false, 1, None,    false, selectChannel},
    CommandSpec{"CHANnel",               true,  0, None,    false, selectedChannel},
    CommandSpec{"DAC#:X1A",              false, 1, Channel, false, writeRegister<Register::X1A>},
    CommandSpec{"DAC#:X1B",              false, 1, Channel, false, writeRegister<Register::X1B>},
    CommandSpec{"DAC#:M",                false, 1, Channel, false, writeRegister<Register::M>},
    CommandSpec{"DAC#:C",                false, 1, Channel, false, writeRegister<Register::C>},
    CommandSpec{"DAC#:X1A",              true,  0, Channel, false, registerValue<&DAC::X1A>},
    CommandSpec{"DAC#:X1B",              true,  0, Channel, false, registerValue<&DAC::X1B>},
    CommandSpec{"DAC#:M",                true,  0, Channel, false, registerValue<&DAC::M>},
    CommandSpec{"DAC#:C",                true,  0, Channel, false, registerValue<&DAC::C>},
    CommandSpec{"DAC#:X2A",              true,  0, Channel, false, registerValue<&DAC::X2A>},
    CommandSpec{"DAC#:X2B",              true,  0, Channel, false, registerValue<&DAC::X2B>},
    CommandSpec{"DAC#:REGister",         true,  0, Channel, false, registerValue<&DAC::DACreg>},
    CommandSpec{"DAC#:MUX",              false, 1, Channel, false, setMux},
    CommandSpec{"DAC#:MUX",              true,  0, Channel, false, muxSource},
    CommandSpec{"DAC#:VOLTage",          true,  0, Channel, false, outputVoltage},
    CommandSpec{"OFFSet#",               false, 1, Group,   false, writeOffset},
    CommandSpec{"OFFSet#",               true,  0, Group,   false, offsetCode},
    CommandSpec{"VREF#",                 false, 1, Group,   false, setReference},
    CommandSpec{"VREF#",                 true,  0, Group,   false, referenceVoltage},
    CommandSpec{"WORD",                  false, 1, None,    false, loadWord},
    CommandSpec{"PULSe:LDAC",            false, 0, None,    false, pulseLdac},
    CommandSpec{"PULSe:RESet",           false, 0, None,    false, pulseReset},
    CommandSpec{"LINE:RESet",            false, 1, None,    false, setLine<Line::Reset>},
    CommandSpec{"LINE:CLR",              false, 1, None,    false, setLine<Line::Clr>},
    CommandSpec{"LINE:LDAC",             false, 1, None,    false, setLine<Line::Ldac>},
    CommandSpec{"MONitor[:STATe]",       false, 1, None,    true,  setMonitor},
    CommandSpec{"MONitor:SOURce",        false, 1, None,    true,  setMonitorSource},
    CommandSpec{"GPIO:MODE",             false, 1, None,    true,  setGpioMode},
    CommandSpec{"GPIO",                  true,  0, None,    true,  readGpio},
    CommandSpec{"BOARD:RELoad",          false, 0, None,    false, reloadBoard},
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

std::span<const CommandSpec> commandTable() {
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
    for (const CommandSpec& spec : kCommands) {
        if (spec.query != query) continue;
        uint32_t suffix = 0;
        if (matchNodes(parsePattern(spec.header), 0, keywords, 0, suffix)) {
            lookup.spec = &spec;
            lookup.suffix = suffix;
            return lookup;
        }
    }
    return lookup;
}

}  // namespace kteval::remote
