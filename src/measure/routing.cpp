#include "routing.h"

#include "monitor_state.h"
#include "part_rules.h"

namespace kteval::measure {

namespace {

// The monitor list's position of an entry text; -1 when the part lacks it.
int monitorPosition(const PartInfo& part, std::string_view text) {
    for (int position = 0; position < monitorEntryCount(part); ++position) {
        if (monitorEntryText(position) == text) return position;
    }
    return -1;
}

}  // namespace

MonitorRouter::MonitorRouter(remote::Operations& ops) : ops_(ops) {}

bool MonitorRouter::route(int channelIndex) {
    const PartInfo& part = *ops_.module().part();
    if (!routed_) {
        wasOn_ = monitorOn(ops_.module().MonitorState);
        wasSource_ = ops_.monitorSourceText();
        routed_ = true;
    }
    if (!monitorOn(ops_.module().MonitorState)) ops_.setMonitor(true);
    const int number = channelNumberOfIndex(&part, channelIndex);
    const int position = monitorPosition(part, "DAC " + std::to_string(number));
    return position >= 0 && ops_.setMonitorSource(position) == remote::Outcome::Done;
}

void MonitorRouter::finish() {
    if (!routed_) return;
    const int position = monitorPosition(*ops_.module().part(), wasSource_);
    if (position >= 0 && ops_.monitorSourceText() != wasSource_) ops_.setMonitorSource(position);
    if (!wasOn_) ops_.setMonitor(false);
    routed_ = false;
}

std::string scannerCommand(std::string_view commandTemplate, int channelNumber,
                           std::string& error) {
    const std::size_t open = commandTemplate.find("{n");
    const std::size_t close = commandTemplate.find('}', open);
    if (open == std::string_view::npos || close == std::string_view::npos) {
        error = "the switching command wants {n} where the channel number goes";
        return {};
    }
    const std::string_view format = commandTemplate.substr(open + 2, close - open - 2);
    std::size_t width = 0;
    if (!format.empty()) {
        if (format.size() < 2 || format[0] != ':' || format.size() > 4) {
            error = "write {n} or {n:0W} (W digits at least) in the switching command";
            return {};
        }
        for (const char c : format.substr(1)) {
            if (c < '0' || c > '9') {
                error = "write {n} or {n:0W} (W digits at least) in the switching command";
                return {};
            }
            width = width * 10 + static_cast<std::size_t>(c - '0');
        }
    }
    std::string number = std::to_string(channelNumber);
    if (number.size() < width) number.insert(0, width - number.size(), '0');
    return std::string(commandTemplate.substr(0, open)) + number +
           std::string(commandTemplate.substr(close + 1));
}

ScannerRouter::ScannerRouter(meter::ScpiMeter& meter, std::string commandTemplate,
                             const PartInfo& part)
    : meter_(meter), template_(std::move(commandTemplate)), part_(part) {}

bool ScannerRouter::route(int channelIndex) {
    std::string error;
    const std::string command =
        scannerCommand(template_, channelNumberOfIndex(&part_, channelIndex), error);
    if (command.empty()) throw meter::MeterFailure(error);
    meter_.command(command);
    return true;
}

bool ManualRouter::route(int channelIndex) {
    return ask_(channelNumberOfIndex(&part_, channelIndex));
}

}  // namespace kteval::measure
