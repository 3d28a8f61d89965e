#include "meter_bench.h"

#include "output_voltage.h"

namespace kteval::measure {

MeterBench::MeterBench(remote::Operations& ops, std::unique_ptr<meter::ScpiMeter> meter,
                       const RouteChoice& route, CalibrationStore& store)
    : ops_(ops), meter_(std::move(meter)), store_(store) {
    const PartInfo& part = *ops.module().part();
    switch (route.kind) {
        case RouteChoice::Kind::Monitor:
            router_ = std::make_unique<MonitorRouter>(ops);
            break;
        case RouteChoice::Kind::Scanner:
            router_ = std::make_unique<ScannerRouter>(*meter_, route.scannerTemplate, part);
            break;
        case RouteChoice::Kind::Probe:
            router_ = std::make_unique<ManualRouter>(route.ask, part);
            break;
    }
}

double MeterBench::measure(int channelIndex) {
    struct Finish {
        Router& router;
        ~Finish() { router.finish(); }
    } finish{*router_};
    if (!router_->route(channelIndex)) {
        throw meter::MeterFailure("the probe was not moved: nothing was measured");
    }
    return meter_->read();
}

CalibrationResult MeterBench::calibrate(const std::vector<int>& channelIndices) {
    CalibrationResult result = measure::calibrate(ops_, *meter_, *router_, channelIndices);
    for (const ChannelCalibration& channel : result.channels) {
        std::string error;
        if (!store_.record(*ops_.module().part(), channel, error) && !result.failure) {
            result.failure = error;
        }
    }
    return result;
}

std::string calibrationText(const ChannelCalibration* calibration) {
    if (calibration == nullptr) return "NONE";
    const ChannelCalibration& c = *calibration;
    const bool full = c.trim.gainReached && c.trim.offsetReached;
    return std::string(full ? "FULL" : "PARTIAL") + "," + formatDecimal(c.before.gain * 100) + "," +
           formatDecimal(c.before.offsetVolts) + "," + std::to_string(c.trim.m) + "," +
           std::to_string(c.trim.c) + "," + formatDecimal(c.after.gain * 100) + "," +
           formatDecimal(c.after.offsetVolts);
}

}  // namespace kteval::measure
