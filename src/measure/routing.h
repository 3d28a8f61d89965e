#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "operations.h"
#include "scpi_meter.h"

namespace kteval::measure {

// Brings a channel's output to the meter's input before it is measured, and
// puts things back when the measuring ends.
class Router {
  public:
    virtual ~Router() = default;
    // False when the operator called the run off (a manual move refused).
    virtual bool route(int channelIndex) = 0;
    virtual void finish() {}
};

// The parts with a monitor: each channel goes to MON through the monitor
// word; afterwards the operator's monitor choice comes back.
class MonitorRouter : public Router {
  public:
    explicit MonitorRouter(remote::Operations& ops);
    bool route(int channelIndex) override;
    void finish() override;

  private:
    remote::Operations& ops_;
    bool routed_ = false;
    bool wasOn_ = false;
    std::string wasSource_;
};

// A scanner card in the meter: the switching command of a user's template,
// "{n}" standing for the channel number ("{n:02}" with two digits at least),
// as in "ROUT:CLOS (@1{n:02})".
class ScannerRouter : public Router {
  public:
    ScannerRouter(meter::ScpiMeter& meter, std::string commandTemplate, const PartInfo& part);
    bool route(int channelIndex) override;

  private:
    meter::ScpiMeter& meter_;
    std::string template_;
    const PartInfo& part_;
};

// The probe moved by hand: the operator is asked for each channel's pin and
// answers when it is there (false: stop).
class ManualRouter : public Router {
  public:
    using Ask = std::function<bool(int channelNumber)>;
    ManualRouter(Ask ask, const PartInfo& part) : ask_(std::move(ask)), part_(part) {}
    bool route(int channelIndex) override;

  private:
    Ask ask_;
    const PartInfo& part_;
};

// The command of a scanner template for a channel number; nullopt-like empty
// text with the reason in error when the template has no valid "{n}" field.
std::string scannerCommand(std::string_view commandTemplate, int channelNumber, std::string& error);

}  // namespace kteval::measure
