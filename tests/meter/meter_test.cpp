// The meter link over TCP and a USBTMC-like node against a fake meter,
// faults included, and the addresses a user writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "fake_scpi_meter.h"
#include "fd_channel.h"
#include "meter_address.h"
#include "scpi_meter.h"
#include "simulated_meter.h"

namespace kteval::meter {
namespace {

using Fake = test::FakeScpiMeter;

// Readings until the meter fails or three were taken; the failure's text.
std::pair<std::vector<double>, std::string> run(const std::string& address) {
    std::vector<double> readings;
    try {
        std::string error;
        ScpiMeter meter(openChannel(*parseMeterAddress(address, error), std::chrono::seconds(2)),
                        address);
        meter.start({"10", 0.5, std::chrono::milliseconds(300)});
        while (readings.size() < 3) readings.push_back(meter.read());
    } catch (const MeterFailure& failure) {
        return {readings, failure.what()};
    }
    return {readings, ""};
}

// Catches a fault that passes unnoticed, a message that hides the meter or
// what it said, or readings lost before the failure.
TEST(MeterLink, FakeMeterOverBothTransports) {
    const struct {
        Fake::Fault fault;
        std::size_t kept;
        std::string says;
    } rows[] = {
        {Fake::Fault::None, 3, ""},
        {Fake::Fault::Silent, 2, "(FAKE INSTRUMENTS,DMM 1,0001,1.0): READ?: no answer within"},
        {Fake::Fault::Garbage, 1, "answered 'ERR' to READ?, not a reading"},
        {Fake::Fault::Overload, 0, "reads an overload (+9.9000000E+37)"},
        {Fake::Fault::Vanishes, 2, "READ?: "},
        {Fake::Fault::ReportsError, 0, "reports -222,\"Data out of range\""},
    };
    for (const auto transport : {Fake::Transport::Tcp, Fake::Transport::Usbtmc}) {
        for (const auto& row : rows) {
            Fake fake(transport, {"+1.25000000E+00", "-2.5E-3"}, row.fault, int(row.kept));
            const auto [readings, failure] = run(fake.address());
            const std::string where = fake.address() + " fault " + std::to_string(int(row.fault));
            EXPECT_EQ(readings.size(), row.kept) << where;
            const std::vector<double> given{1.25, -0.0025, 1.25};
            EXPECT_TRUE(std::equal(readings.begin(), readings.end(), given.begin())) << where;
            EXPECT_TRUE(row.says.empty() ? failure.empty()
                                         : failure.find("meter " + fake.address()) == 0 &&
                                               failure.find(row.says) != std::string::npos)
                << where << ": " << failure;
        }
    }
    Fake fake(Fake::Transport::Tcp, {"1"});
    run(fake.address());
    const std::vector<std::string> start{"*IDN?",           "*CLS",      "SYST:ERR?",
                                         "CONF:VOLT:DC 10", "SYST:ERR?", "VOLT:DC:NPLC 0.5",
                                         "SYST:ERR?",       "READ?"};
    std::vector<std::string> received = fake.received();
    received.resize(start.size());
    EXPECT_EQ(received, start);
}

TEST(MeterLink, NoMeterThere) {
    std::string address;
    {
        const Fake fake(Fake::Transport::Tcp, {"1"});
        address = fake.address();
    }
    EXPECT_NE(run(address).second.find("cannot connect"), std::string::npos);
    EXPECT_NE(run("usbtmc:/nonexistent/usbtmc0").second.find("cannot open"), std::string::npos);
}

// The simulated meter reads its source and takes the commands its router takes.
TEST(MeterLink, SimulatedMeter) {
    double pin = 0.125;
    std::vector<std::string> routed;
    auto channel = std::make_unique<SimulatedMeter>([&] { return pin; },
                                                    [&](std::string_view command) {
                                                        routed.emplace_back(command);
                                                        return command.starts_with("ROUT:CLOS");
                                                    },
                                                    false);
    ScpiMeter meter(std::move(channel), "simulated");
    meter.start({});
    EXPECT_EQ(meter.read(), 0.125);
    meter.command("ROUT:CLOS (@103)");
    pin = NAN;
    EXPECT_THROW(meter.read(), MeterFailure);
    EXPECT_THROW(meter.command("ROUT:OPEN:ALL"), MeterFailure);
    EXPECT_EQ(routed, (std::vector<std::string>{"ROUT:CLOS (@103)", "ROUT:OPEN:ALL"}));
}

TEST(MeterAddress, ParsesWhatUsersWrite) {
    const std::pair<const char*, const char*> rows[] = {
        {"tcp:192.168.1.7", "tcp:192.168.1.7:5025"},
        {"tcp:dmm.lab:5555", "tcp:dmm.lab:5555"},
        {"tcp:[fe80::1]:7", "tcp:[fe80::1]:7"},
        {"usbtmc:/dev/usbtmc0", "usbtmc:/dev/usbtmc0"},
        {"simulated", "simulated"},
        {"tcp:", ""},
        {"tcp:host:0", ""},
        {"tcp:host:", ""},
        {"tcp:host:99999", ""},
        {"tcp:[fe80::1", ""},
        {"usbtmc:", ""},
        {"gpib:22", ""},
    };
    for (const auto& [text, parsed] : rows) {
        std::string error;
        const auto address = parseMeterAddress(text, error);
        EXPECT_EQ(address ? address->text() : "", parsed) << text;
        EXPECT_EQ(error.empty(), address.has_value()) << text;
    }
}

}  // namespace
}  // namespace kteval::meter
