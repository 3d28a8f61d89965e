#include "measuring.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "code_set.h"
#include "fd_channel.h"
#include "part_rules.h"
#include "routing.h"
#include "simulated_meter.h"

namespace kteval::app {

namespace {

constexpr std::chrono::seconds kConnectTimeout{5};

bool readNplc(const std::string& text, double& nplc) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), nplc);
    return ec == std::errc() && end == text.data() + text.size() && nplc >= 0.02 && nplc <= 100;
}

}  // namespace

measure::MeterBench& Meters::open(const std::string& address) {
    if (bench_ && address == address_) return *bench_;
    std::string error;
    start_.meter = meter::parseMeterAddress(address, error);
    if (!start_.meter) throw meter::MeterFailure(error);
    if (start_.meter->kind == meter::MeterAddress::Kind::Simulated && simulated_ == nullptr) {
        throw meter::MeterFailure("the simulated meter reads the simulated board (--simulate)");
    }
    ops_.setMeterBench(nullptr);
    bench_.reset();
    bench_ = openMeterBench(start_, ops_, simulated_, askProbe_, store_);
    address_ = address;
    ops_.setMeterBench(bench_.get());
    return *bench_;
}

std::string boardName(bool simulated, uint64_t seed, std::string_view name) {
    if (name.empty()) return simulated ? "simulated-" + std::to_string(seed) : "board";
    std::string text = simulated ? "simulated-" : "board-";
    for (const char c : name) {
        const bool plain =
            std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == '_';
        text += plain ? c : '_';
    }
    return text;
}

std::optional<MeasuringStart> checkMeasuring(const cli::Options& options, const PartInfo* part,
                                             std::string& error) {
    MeasuringStart start;
    const AnalogModel::SeedSetting seed = options.seed
                                              ? AnalogModel::seedFromText(options.seed->c_str())
                                              : AnalogModel::seedFromEnvironment();
    if (seed.error) {
        error =
            options.seed ? "--seed wants a whole number, not '" + *options.seed + "'" : *seed.error;
        return std::nullopt;
    }
    start.seed = seed.seed;
    if (options.dmm) {
        start.meter = meter::parseMeterAddress(*options.dmm, error);
        if (!start.meter) return std::nullopt;
        if (start.meter->kind == meter::MeterAddress::Kind::Simulated && !options.simulate) {
            error = "--dmm simulated reads the simulated board: it needs --simulate";
            return std::nullopt;
        }
    }
    if (options.nplc && !readNplc(*options.nplc, start.settings.nplc)) {
        error = "--nplc wants a number from 0.02 to 100, not '" + *options.nplc + "'";
        return std::nullopt;
    }
    if (options.range) start.settings.range = *options.range;
    start.route = options.route.value_or("");
    if (start.route == "monitor" && part != nullptr && !hasMonitor(part)) {
        error = std::string(part->name) + " has no monitor pin: use --route probe or a scanner";
        return std::nullopt;
    }
    if (!start.route.empty() && start.route != "monitor" && start.route != "probe" &&
        measure::scannerCommand(start.route, 0, error).empty()) {
        error = "--route: " + error;
        return std::nullopt;
    }

    const std::optional<std::string>& channels =
        options.characterise ? options.characterise : options.calibrate;
    if (!channels) {
        if (options.out || options.everyCode) {
            error = "--out and --every-code go with --characterise or --calibrate";
            return std::nullopt;
        }
        return start;
    }
    if (options.characterise && options.calibrate) {
        error = "--characterise and --calibrate are two runs: choose one";
        return std::nullopt;
    }
    if (!options.headless || !options.dmm || !options.out) {
        error = "--characterise and --calibrate need --headless, --dmm and --out";
        return std::nullopt;
    }
    const ChannelList list = parseChannelList(*channels, largestChannelNumber(*part));
    if (!list.error.empty()) {
        error = "the channels '" + *channels + "': " + list.error;
        return std::nullopt;
    }
    for (const int number : list.channels) {
        start.channelIndices.push_back(indexOfChannelNumber(part, number));
    }
    start.job =
        options.characterise ? MeasuringStart::Job::Characterise : MeasuringStart::Job::Calibrate;
    start.codes = options.everyCode ? everyCode(part->bits) : defaultCodes(part->bits);
    start.outDir = *options.out;
    return start;
}

std::unique_ptr<measure::MeterBench> openMeterBench(const MeasuringStart& start,
                                                    remote::Operations& ops,
                                                    SimulatedBoard* simulated,
                                                    std::function<bool(int)> askProbe,
                                                    measure::CalibrationStore& store) {
    const PartInfo& part = *ops.module().part();
    measure::RouteChoice route;
    // Without --route: MON where the part has one, else the probe.
    const std::string how =
        start.route.empty() ? (hasMonitor(&part) ? "monitor" : "probe") : start.route;
    if (how == "monitor" && !hasMonitor(&part)) {
        throw meter::MeterFailure(std::string(part.name) + " has no monitor pin to route through");
    }
    if (how == "monitor") {
        route.kind = measure::RouteChoice::Kind::Monitor;
    } else if (how == "probe") {
        route.kind = measure::RouteChoice::Kind::Probe;
    } else {
        route.kind = measure::RouteChoice::Kind::Scanner;
        route.scannerTemplate = how;
    }
    std::unique_ptr<meter::MeterChannel> channel;
    if (start.meter->kind == meter::MeterAddress::Kind::Simulated) {
        // The simulated probe sits where the routing put it: on MON, on the
        // channel the scanner closed, or on the pin the operator was asked for.
        auto probe = std::make_shared<int>(-1);
        const bool onMonitor = route.kind == measure::RouteChoice::Kind::Monitor;
        const auto source = [simulated, probe, onMonitor] {
            if (onMonitor) return simulated->monVolts();
            return *probe < 0 ? NAN : simulated->pinVolts(*probe);
        };
        const auto scanner = [probe, &part, route](std::string_view command) {
            for (int index = 0; index < kChannelCount; ++index) {
                std::string error;
                if (usesChannelIndex(part, index) &&
                    measure::scannerCommand(route.scannerTemplate,
                                            channelNumberOfIndex(&part, index), error) == command) {
                    *probe = index;
                    return true;
                }
            }
            return false;
        };
        route.ask = [probe, &part](int number) {
            *probe = indexOfChannelNumber(&part, number);
            return true;
        };
        channel = std::make_unique<meter::SimulatedMeter>(source, scanner, true);
    } else {
        channel = meter::openChannel(*start.meter, kConnectTimeout);
        route.ask = std::move(askProbe);
    }
    auto meter = std::make_unique<meter::ScpiMeter>(std::move(channel), start.meter->text());
    meter->start(start.settings);
    return std::make_unique<measure::MeterBench>(ops, std::move(meter), route, store);
}

}  // namespace kteval::app
