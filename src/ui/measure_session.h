#pragma once

#include <QImage>
#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "measurement_run.h"
#include "meter_bench.h"

namespace kteval::ui {

// An SVG chart as an image, scale times its size on white; null without
// Qt's SVG image plugin.
QImage chartImage(const std::string& svg, int scale);

// A headless measuring run of the command line: a characterisation, one
// reading a turn of the event loop, with a progress line on standard error,
// or a calibration. Its files go into outDir: readings.csv, summary.csv and
// dac<n>-linearity.svg/.png, or calibration.csv. A run that fails or is
// called off (Ctrl-C) keeps and writes what it measured.
class MeasureSession : public QObject {
  public:
    MeasureSession(remote::Operations& ops, measure::MeterBench& bench, std::vector<int> channels,
                   std::vector<int32_t> codes, std::string outDir);

    // Starts a characterisation; the event loop ends with its exit status.
    void characterise();
    // Runs a calibration to its end: the exit status.
    int calibrate();
    // After the event loop ended without the run: writes what was measured,
    // and answers the exit status (1).
    int calledOff();
    // The exit status once the characterisation has ended by itself.
    std::optional<int> status() const { return status_; }

  private:
    void step();
    int writeCharacterisation();
    bool writeFile(const std::string& name, const std::string& content);

    remote::Operations& ops_;
    measure::MeterBench& bench_;
    std::vector<int> channels_;
    std::vector<int32_t> codes_;
    std::string outDir_;
    std::unique_ptr<measure::MeasurementRun> run_;
    int shownPercent_ = -1;
    std::optional<int> status_;
};

}  // namespace kteval::ui
