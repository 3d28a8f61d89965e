#include "status_report.h"

#include <cstdio>

#include "hex_text.h"
#include "operations.h"
#include "part_rules.h"

namespace kteval::network {

StatusReport statusReport(remote::Operations& ops, NetworkIdentity identity,
                          std::vector<ClientEntry> clients) {
    StatusReport report{std::move(identity), ops.simulatedBoard(), "", 0, std::move(clients), {}};
    const KT442xModule& module = ops.module();
    const PartInfo* part = module.part();
    if (part == nullptr) return report;
    report.bits = part->bits;
    report.caption = mainCaption(part->name, part->channels, part->bits);
    for (int number = 0; number <= largestChannelNumber(*part); ++number) {
        const int index = indexOfChannelNumber(part, number);
        const DAC& dac = module.DACs(index);
        const bool b = dac.ABsel == 1;
        const int32_t effective = b ? dac.X2B : dac.X2A;
        report.channels.push_back({number, dac.X1A, dac.X1B, dac.M, dac.C, b ? 'B' : 'A', effective,
                                   registerLabelText(effective), ops.outputVoltageText(index)});
    }
    return report;
}

std::string jsonEscaped(const std::string& text) {
    std::string result;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            result += '\\';
            result += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            result += escape;
        } else {
            result += c;
        }
    }
    return result;
}

std::string statusJson(const StatusReport& report) {
    const auto quoted = [](const std::string& text) { return '"' + jsonEscaped(text) + '"'; };
    const NetworkIdentity& id = report.identity;
    std::string json = "{\"manufacturer\":" + quoted(id.manufacturer) +
                       ",\"part\":" + quoted(id.model) + ",\"board\":" + quoted(id.serial) +
                       ",\"version\":" + quoted(id.firmware) +
                       ",\"simulated\":" + (report.simulated ? "true" : "false") +
                       ",\"caption\":" + quoted(report.caption) +
                       ",\"bits\":" + std::to_string(report.bits) + ",\"resources\":[";
    const std::vector<std::string> resources = resourceStrings(id);
    for (std::size_t i = 0; i < resources.size(); ++i) {
        json += (i ? "," : "") + quoted(resources[i]);
    }
    json += "],\"clients\":[";
    for (std::size_t i = 0; i < report.clients.size(); ++i) {
        json += std::string(i ? "," : "") + "{\"protocol\":" + quoted(report.clients[i].protocol) +
                ",\"peer\":" + quoted(report.clients[i].peer) + "}";
    }
    json += "],\"channels\":[";
    for (std::size_t i = 0; i < report.channels.size(); ++i) {
        const ChannelStatus& ch = report.channels[i];
        json += std::string(i ? "," : "") + "{\"number\":" + std::to_string(ch.number) +
                ",\"x1a\":" + std::to_string(ch.x1a) + ",\"x1b\":" + std::to_string(ch.x1b) +
                ",\"m\":" + std::to_string(ch.m) + ",\"c\":" + std::to_string(ch.c) +
                ",\"mux\":\"" + ch.mux + "\",\"effective\":" + std::to_string(ch.effective) +
                ",\"effectiveText\":" + quoted(ch.effectiveText) +
                ",\"volts\":" + quoted(ch.volts) + "}";
    }
    json += "]}";
    return json;
}

}  // namespace kteval::network
