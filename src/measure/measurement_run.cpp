#include "measurement_run.h"

#include <algorithm>

#include "calibration_run.h"
#include "part_catalogue.h"

namespace kteval::measure {

std::optional<CodeReading> measureCode(remote::Operations& ops, meter::ScpiMeter& meter,
                                       int channelIndex, int32_t code) {
    if (ops.writeChannelRegister(channelIndex, remote::Register::X1A, uint32_t(code)) !=
            remote::Outcome::Done ||
        ops.pulseLdac() != remote::Outcome::Done) {
        return std::nullopt;
    }
    const double volts = meter.read();
    return CodeReading{channelIndex, code, ops.module().DACs(channelIndex).DACreg, volts};
}

std::optional<ChannelLinearity> channelLinearity(const remote::Operations& ops,
                                                 const std::vector<CodeReading>& readings,
                                                 int channelIndex) {
    std::vector<Reading> codes;
    for (const CodeReading& r : readings) {
        if (r.channelIndex == channelIndex) codes.push_back({r.dacCode, r.volts});
    }
    if (codes.empty()) return std::nullopt;
    const auto byCode = [](const Reading& a, const Reading& b) { return a.code < b.code; };
    std::stable_sort(codes.begin(), codes.end(), byCode);
    codes.erase(std::unique(codes.begin(), codes.end(),
                            [](const Reading& a, const Reading& b) { return a.code == b.code; }),
                codes.end());
    const DacTransfer t = channelTransfer(ops, channelIndex);
    return ChannelLinearity{channelNumberOfIndex(ops.module().part(), channelIndex),
                            analyseLinearity(codes, {t.lsb, t.volts(0)})};
}

MeasurementRun::MeasurementRun(remote::Operations& ops, meter::ScpiMeter& meter, Router& router,
                               std::vector<int> channelIndices, std::vector<int32_t> codes)
    : ops_(ops),
      meter_(meter),
      router_(router),
      channels_(std::move(channelIndices)),
      codes_(std::move(codes)),
      started_(std::chrono::steady_clock::now()) {
    if (channels_.empty() || codes_.empty()) end();
}

void MeasurementRun::end() {
    if (ended_) return;
    ended_ = true;
    router_.finish();
}

void MeasurementRun::stop(std::string why) {
    failure_ = std::move(why);
    end();
}

void MeasurementRun::cancel() {
    if (ended_) return;
    cancelled_ = true;
    end();
}

bool MeasurementRun::step() {
    if (ended_) return false;
    const int channel = channels_[next_ / codes_.size()];
    const int32_t code = codes_[next_ % codes_.size()];
    const std::string where =
        "DAC" + std::to_string(channelNumberOfIndex(ops_.module().part(), channel));
    try {
        if (next_ % codes_.size() == 0) {
            if (!router_.route(channel)) {
                cancel();
                return false;
            }
            if (ops_.setMux(channel, remote::MuxSource::A) != remote::Outcome::Done) {
                stop(where + ": the window refused the multiplexer choice");
                return false;
            }
        }
        const std::optional<CodeReading> reading = measureCode(ops_, meter_, channel, code);
        if (!reading) {
            stop(where + ": the window refused code " + std::to_string(code));
            return false;
        }
        readings_.push_back(*reading);
    } catch (const meter::MeterFailure& failure) {
        stop(where + ", code " + std::to_string(code) + ": " + failure.what());
        return false;
    }
    if (++next_ == channels_.size() * codes_.size()) end();
    return !ended_;
}

void MeasurementRun::runToEnd() {
    while (step()) {
    }
}

double MeasurementRun::progress() const {
    const std::size_t total = channels_.size() * codes_.size();
    return total == 0 ? 1.0 : double(next_) / double(total);
}

std::chrono::seconds MeasurementRun::timeLeft() const {
    if (next_ == 0) return std::chrono::seconds(0);
    const auto spent = std::chrono::steady_clock::now() - started_;
    const double left = (1.0 - progress()) / progress();
    return std::chrono::duration_cast<std::chrono::seconds>(spent * left);
}

}  // namespace kteval::measure
