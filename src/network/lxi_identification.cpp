#include "lxi_identification.h"

namespace kteval::network {

namespace {

// The LXI Device Specification whose identification document and mDNS
// services these follow.
constexpr std::string_view kLxiVersion = "1.5";

void element(std::string& xml, std::string_view indent, std::string_view name,
             std::string_view text) {
    if (text.empty()) return;
    xml.append(indent).append("<").append(name).append(">");
    xml.append(xmlEscaped(text));
    xml.append("</").append(name).append(">\n");
}

}  // namespace

std::string xmlEscaped(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                result += "&amp;";
                break;
            case '<':
                result += "&lt;";
                break;
            case '>':
                result += "&gt;";
                break;
            case '"':
                result += "&quot;";
                break;
            case '\'':
                result += "&apos;";
                break;
            default:
                result += c;
        }
    }
    return result;
}

std::string identificationXml(const NetworkIdentity& identity, const InterfaceDetails& where) {
    const bool ipv6 = where.ipAddress.find(':') != std::string::npos;
    const std::string host =
        identity.host.find(':') == std::string::npos ? identity.host : '[' + identity.host + ']';
    std::string url = "http://" + host;
    if (identity.ports.webPort && *identity.ports.webPort != 80) {
        url += ':' + std::to_string(*identity.ports.webPort);
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<LXIDevice xmlns=\"" + std::string(kLxiIdentificationNamespace) +
           "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    // The four fields must be present even when empty (no part chosen yet).
    for (const auto& [name, text] :
         {std::pair{"Manufacturer", &identity.manufacturer}, std::pair{"Model", &identity.model},
          std::pair{"SerialNumber", &identity.serial},
          std::pair{"FirmwareRevision", &identity.firmware}}) {
        xml += std::string("  <") + name + ">" + xmlEscaped(*text) + "</" + name + ">\n";
    }
    element(xml, "  ", "ManufacturerDescription",
            identity.model.empty() ? "KT44xx DAC evaluation board"
                                   : identity.model + " DAC evaluation board");
    element(xml, "  ", "IdentificationURL", url + "/lxi/identification");
    xml += "  <Interface xsi:type=\"NetworkInformation\" InterfaceType=\"LXI\" IPType=\"";
    xml += ipv6 ? "IPv6\"" : "IPv4\"";
    if (!where.name.empty()) xml += " InterfaceName=\"" + xmlEscaped(where.name) + "\"";
    xml += ">\n";
    for (const std::string& resource : resourceStrings(identity)) {
        element(xml, "    ", "InstrumentAddressString", resource);
    }
    element(xml, "    ", "Hostname", where.hostname);
    element(xml, "    ", "IPAddress", where.ipAddress);
    if (!ipv6) element(xml, "    ", "SubnetMask", where.subnetMask);
    element(xml, "    ", "MACAddress", where.macAddress);
    xml += "  </Interface>\n";
    element(xml, "  ", "LXIVersion", kLxiVersion);
    xml += "</LXIDevice>\n";
    return xml;
}

}  // namespace kteval::network
