#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "calibration_run.h"
#include "operations.h"

namespace kteval::measure {

// The calibrations of one board: each channel's trim and its error before
// and after, kept in memory and in a file of that board, so that a later run
// can write the same M and C again on request. Never applied by itself.
//
// The file is CSV under a comment line naming the part:
//   # kteval calibration, KT4421
//   channel,m,c,trim,gain_before,offset_before_volts,gain_after,offset_after_volts
// gains as fractions (0.003 is 0.3 % of full scale), one row per channel.
class CalibrationStore {
  public:
    explicit CalibrationStore(std::string path) : path_(std::move(path)) {}

    // Keeps a channel's calibration and rewrites the file; false, with the
    // reason in error, when it cannot be written.
    bool record(const PartInfo& part, const ChannelCalibration& calibration, std::string& error);
    const ChannelCalibration* find(int channelIndex) const;
    // Reads the file and writes each channel's M and C through ops, as "M >>"
    // and "C >>"; empty when every one was applied, else why not.
    std::string apply(remote::Operations& ops);
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::map<int, ChannelCalibration> channels_;
};

// $XDG_DATA_HOME/kteval/calibration/<board>.csv (~/.local/share without
// XDG_DATA_HOME); board names the board ("simulated-4421").
std::string calibrationPath(std::string_view board);

}  // namespace kteval::measure
