#include "calibration_run.h"

#include "measurement_run.h"
#include "part_rules.h"

namespace kteval::measure {

namespace {

// The two points of a channel as input codes and volts; nullopt when the
// window refused an action.
std::optional<TwoPoint> measureTwoPoints(remote::Operations& ops, meter::ScpiMeter& meter,
                                         int channel, bool dacCodes) {
    TwoPoint points = twoPointCodes(ops.module().part()->bits);
    const auto first = measureCode(ops, meter, channel, points.code1);
    const auto second = first ? measureCode(ops, meter, channel, points.code2) : std::nullopt;
    if (!second) return std::nullopt;
    return TwoPoint{dacCodes ? first->dacCode : first->inputCode, first->volts,
                    dacCodes ? second->dacCode : second->inputCode, second->volts};
}

}  // namespace

DacTransfer channelTransfer(const remote::Operations& ops, int channelIndex) {
    const PartInfo& part = *ops.module().part();
    const std::optional<int> group =
        voltageGroupOf(part, channelNumberOfIndex(&part, channelIndex));
    if (!group) return {};
    return idealTransfer(part, ops.module().OffsetCode[std::size_t(*group)],
                         ops.referenceVolts(*group));
}

CalibrationResult calibrate(remote::Operations& ops, meter::ScpiMeter& meter, Router& router,
                            const std::vector<int>& channelIndices) {
    CalibrationResult result;
    const PartInfo& part = *ops.module().part();
    const auto largest = static_cast<uint32_t>(largestRegisterCode(part.bits));
    for (const int channel : channelIndices) {
        const std::string where = "DAC" + std::to_string(channelNumberOfIndex(&part, channel));
        ChannelCalibration calibration{channel, channelTransfer(ops, channel), {}, {}, {}};
        if (calibration.ideal.lsb == 0.0) {
            result.failure = where + ": its reference is 0 V; there is nothing to calibrate";
            break;
        }
        try {
            if (!router.route(channel)) {
                result.cancelled = true;
                break;
            }
            std::optional<TwoPoint> found;
            const bool prepared =
                ops.setMux(channel, remote::MuxSource::A) == remote::Outcome::Done &&
                ops.writeChannelRegister(channel, remote::Register::M, largest) ==
                    remote::Outcome::Done &&
                ops.writeChannelRegister(channel, remote::Register::C, (largest + 1) / 2) ==
                    remote::Outcome::Done &&
                (found = measureTwoPoints(ops, meter, channel, true));
            if (prepared) {
                calibration.before = transferError(*found, calibration.ideal);
                calibration.trim = trimFor(part, calibration.before, calibration.ideal);
            }
            std::optional<TwoPoint> trimmed;
            if (!prepared ||
                ops.writeChannelRegister(channel, remote::Register::M,
                                         uint32_t(calibration.trim.m)) != remote::Outcome::Done ||
                ops.writeChannelRegister(channel, remote::Register::C,
                                         uint32_t(calibration.trim.c)) != remote::Outcome::Done ||
                !(trimmed = measureTwoPoints(ops, meter, channel, false))) {
                result.failure = where + ": the window refused an action";
                break;
            }
            calibration.after = transferError(*trimmed, calibration.ideal);
        } catch (const meter::MeterFailure& failure) {
            result.failure = where + ": " + failure.what();
            break;
        }
        result.channels.push_back(calibration);
    }
    router.finish();
    return result;
}

}  // namespace kteval::measure
