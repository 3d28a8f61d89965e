#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "measurement_run.h"
#include "meter_bench.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace kteval::ui {

// "Characterise and Calibrate": the channels, the code set and the meter; a
// progress bar with Cancel; the results table and the INL/DNL chart of the
// chosen row. A characterisation takes one reading a turn of the event loop,
// so the window stays live and Cancel acts between two readings; what was
// measured stays in the table.
class MeasureDialog : public QDialog {
  public:
    // Opens (or reuses) the meter at address for the window's operations;
    // throws MeterFailure.
    using BenchOpener = std::function<measure::MeterBench&(const std::string& address)>;
    MeasureDialog(remote::Operations& ops, BenchOpener opener, const QString& address,
                  QWidget* parent = nullptr);
    ~MeasureDialog() override;

  private:
    measure::MeterBench* openBench();
    bool readChannels(std::vector<int>& channels);
    void cmdCharacterise_Click();
    void cmdCalibrate_Click();
    void cmdCancel_Click();
    void step();
    void showCharacterisation();
    void showChart();
    void setRunning(bool running);
    void fail(const QString& text);

    remote::Operations& ops_;
    BenchOpener opener_;
    std::unique_ptr<measure::MeasurementRun> run_;
    std::vector<int> channels_;
    std::vector<std::string> charts_;  // one SVG per row of the table
    QLineEdit* txtChannels_;
    QComboBox* cboCodes_;
    QLineEdit* txtMeter_;
    QPushButton* cmdCharacterise_;
    QPushButton* cmdCalibrate_;
    QPushButton* cmdCancel_;
    QProgressBar* barProgress_;
    QLabel* lblStatus_;
    QTableWidget* tblResults_;
    QLabel* imgChart_;
};

// Adds the "Measure" menu after "File", its entry opening the dialog.
void addMeasureMenu(QMainWindow& window, std::function<void()> openDialog);

}  // namespace kteval::ui
