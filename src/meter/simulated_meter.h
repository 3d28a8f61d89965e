#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <string>

#include "meter_channel.h"

namespace kteval::meter {

// A bench meter in software: answers the DC subset like a real one and reads
// whatever source it is given (the simulated board's pin the routing chose).
// Other commands go to the router, which says whether it took them (a
// scanner's switching command); those it did not take queue -113 as a real
// meter does. A reading takes its integration time when paced.
class SimulatedMeter : public MeterChannel {
  public:
    using Source = std::function<double()>;
    using Router = std::function<bool(std::string_view command)>;
    SimulatedMeter(Source source, Router router, bool paced);

    void send(std::string_view command) override;
    std::string receive(std::chrono::milliseconds timeout) override;

  private:
    Source source_;
    Router router_;
    bool paced_;
    double nplc_ = 1.0;
    std::deque<std::string> answers_;
    std::deque<std::string> errors_;
};

}  // namespace kteval::meter
