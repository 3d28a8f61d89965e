// The identification document and the status report against what the
// command layer answers for the same state: *IDN?'s fields, and each
// channel's register and voltage queries.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "interpreter.h"
#include "lxi_identification.h"
#include "part_rules.h"
#include "recording_operations.h"
#include "status_report.h"

namespace kteval::network {
namespace {

// A board whose name needs XML's character references.
class NamedBoard : public remote::RecordingOperations {
  public:
    using RecordingOperations::RecordingOperations;
    std::string boardName() const override { return "A&B <\"rev'2\">"; }
};

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (const char c : text) {
        if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

TEST(Identification, ElementsCarryTheIdnFieldsAndTheRunningServers) {
    NamedBoard ops("KT4421");
    remote::Interpreter interpreter(ops);
    const std::vector<std::string> idn = split(*interpreter.executeLine("*IDN?"), ',');
    ASSERT_EQ(idn.size(), 4u);
    struct Case {
        std::string host;
        NetworkPorts ports;
        std::vector<std::string> resources;  // as VISA writes them
    };
    const std::vector<Case> cases{
        {"192.168.1.5",
         {5025, 1024, 80},
         {"TCPIP::192.168.1.5::INSTR", "TCPIP::192.168.1.5::5025::SOCKET"}},
        {"lab.local", {6000, std::nullopt, 8080}, {"TCPIP::lab.local::6000::SOCKET"}},
        {"fe80::1",
         {5025, 1024, 8080},
         {"TCPIP::[fe80::1]::INSTR", "TCPIP::[fe80::1]::5025::SOCKET"}},
        {"10.0.0.2", {std::nullopt, std::nullopt, 8080}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        const std::string xml = identificationXml(identityOf(ops, c.host, c.ports), {});
        const std::array<const char*, 4> names{"Manufacturer", "Model", "SerialNumber",
                                               "FirmwareRevision"};
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string element =
                std::string("<") + names[i] + ">" + xmlEscaped(idn[i]) + "</" + names[i] + ">";
            EXPECT_NE(xml.find(element), std::string::npos) << element << " in\n" << xml;
        }
        EXPECT_NE(xml.find("&amp;B &lt;&quot;rev&apos;2&quot;&gt;"), std::string::npos);
        EXPECT_NE(xml.find(std::string("<LXIDevice xmlns=\"") +
                           std::string(kLxiIdentificationNamespace) + '"'),
                  std::string::npos);
        std::vector<std::string> listed;
        const std::string open = "<InstrumentAddressString>";
        for (std::size_t at = xml.find(open); at != std::string::npos;
             at = xml.find(open, at + 1)) {
            const std::size_t start = at + open.size();
            listed.push_back(xml.substr(start, xml.find('<', start) - start));
        }
        EXPECT_EQ(listed, c.resources);
        EXPECT_EQ(resourceStrings(identityOf(ops, c.host, c.ports)), c.resources);
    }
}

// Every channel of an 8-channel part (whose channels 4-7 are records 8-11)
// and of a 40-channel part, with registers and multiplexers set at random.
TEST(StatusReport, ChannelsAgreeWithTheirQueries) {
    for (const char* name : {"KT4412", "KT4421"}) {
        SCOPED_TRACE(name);
        remote::RecordingOperations ops(name);
        const PartInfo& part = *findPart(name);
        std::mt19937 random(4421);
        std::uniform_int_distribution<int32_t> code(0,
                                                    static_cast<int32_t>(largestCode(part.bits)));
        for (DAC& dac : ops.model().DACs) {
            dac = {code(random), code(random), code(random), code(random),
                   code(random), code(random), code(random), code(random) % 2};
        }
        ops.model().OffsetCode = {code(random), code(random), code(random)};
        remote::Interpreter interpreter(ops);
        const auto query = [&](int number, const char* what) {
            return *interpreter.executeLine("DAC" + std::to_string(number) + ":" + what + "?");
        };
        const StatusReport report = statusReport(ops, identityOf(ops, "h", {}), {});
        ASSERT_EQ(static_cast<int>(report.channels.size()), part.channels);
        EXPECT_EQ(report.bits, part.bits);
        for (const ChannelStatus& ch : report.channels) {
            SCOPED_TRACE(ch.number);
            EXPECT_EQ(std::to_string(ch.x1a), query(ch.number, "X1A"));
            EXPECT_EQ(std::to_string(ch.x1b), query(ch.number, "X1B"));
            EXPECT_EQ(std::to_string(ch.m), query(ch.number, "M"));
            EXPECT_EQ(std::to_string(ch.c), query(ch.number, "C"));
            EXPECT_EQ(std::string(1, ch.mux), query(ch.number, "MUX"));
            EXPECT_EQ(std::to_string(ch.effective),
                      query(ch.number, ch.mux == 'A' ? "X2A" : "X2B"));
            EXPECT_EQ(ch.volts, query(ch.number, "VOLT"));
        }
        EXPECT_FALSE(ops.invalidCall);
        EXPECT_TRUE(ops.calls.empty());  // read-only
    }
}

}  // namespace
}  // namespace kteval::network
