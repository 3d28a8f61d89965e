#pragma once

// The meter and measuring runs of the command line, wired for main().

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "meter_address.h"
#include "meter_bench.h"
#include "part_catalogue.h"
#include "scpi_meter.h"
#include "simulated_board.h"
#include "window_operations.h"

namespace kteval::app {

// The measuring settings of the command line, checked before anything starts.
struct MeasuringStart {
    uint64_t seed = AnalogModel::kDefaultSeed;  // the simulated board's
    std::optional<meter::MeterAddress> meter;
    meter::MeterSettings settings;
    std::string
        route;  // monitor, probe, a scanner's switching command, or empty: the part's default
    enum class Job { None, Characterise, Calibrate };
    Job job = Job::None;
    std::vector<int> channelIndices;
    std::vector<int32_t> codes;
    std::string outDir;
};

// The settings, or nullopt with the reason in error. part is the --part
// choice (nullptr without one).
std::optional<MeasuringStart> checkMeasuring(const cli::Options& options, const PartInfo* part,
                                             std::string& error);

// Opens and starts the meter of --dmm and sets up its routing; throws
// MeterFailure. simulated is the simulated board (the simulated meter reads
// its pins); askProbe asks the operator to move the probe to a channel
// number.
std::unique_ptr<measure::MeterBench> openMeterBench(const MeasuringStart& start,
                                                    remote::Operations& ops,
                                                    SimulatedBoard* simulated,
                                                    std::function<bool(int)> askProbe,
                                                    measure::CalibrationStore& store);

// The meter at the bench of the running program: the one of --dmm, or the
// one the measuring dialog names; the window's operations measure through it.
class Meters {
  public:
    Meters(MeasuringStart start, ui::WindowOperations& ops, SimulatedBoard* simulated,
           std::function<bool(int)> askProbe, measure::CalibrationStore& store)
        : start_(std::move(start)),
          ops_(ops),
          simulated_(simulated),
          askProbe_(std::move(askProbe)),
          store_(store) {}
    // The bench of the meter at address, opened unless it is the one open;
    // throws MeterFailure.
    measure::MeterBench& open(const std::string& address);
    measure::MeterBench* current() { return bench_.get(); }

  private:
    MeasuringStart start_;
    ui::WindowOperations& ops_;
    SimulatedBoard* simulated_;
    std::function<bool(int)> askProbe_;
    measure::CalibrationStore& store_;
    std::unique_ptr<measure::MeterBench> bench_;
    std::string address_;
};

// The name a board's calibration file carries: simulated-<name> for a named
// simulated board, else simulated-<seed>; board-<name> for a real board with
// a name (its serial or port), else "board". Characters a file name should
// not hold become '_'.
std::string boardName(bool simulated, uint64_t seed, std::string_view name = {});

}  // namespace kteval::app
