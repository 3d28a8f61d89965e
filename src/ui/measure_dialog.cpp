#include "measure_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "calibration_run.h"
#include "code_set.h"
#include "linearity.h"
#include "measure_session.h"
#include "output_voltage.h"
#include "part_rules.h"
#include "report.h"

namespace kteval::ui {

namespace {

QString number(double value, int decimals) {
    return QString::number(value, 'f', decimals);  // 'f' ignores the locale
}

template <typename T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

MeasureDialog::MeasureDialog(remote::Operations& ops, BenchOpener opener, const QString& address,
                             QWidget* parent)
    : QDialog(parent),
      ops_(ops),
      opener_(std::move(opener)),
      txtChannels_(named(new QLineEdit(QStringLiteral("0"), this), "txtChannels")),
      cboCodes_(named(new QComboBox(this), "cboCodes")),
      txtMeter_(named(new QLineEdit(address, this), "txtMeter")),
      cmdCharacterise_(
          named(new QPushButton(QStringLiteral("Characterise"), this), "cmdCharacterise")),
      cmdCalibrate_(named(new QPushButton(QStringLiteral("Calibrate"), this), "cmdCalibrate")),
      cmdCancel_(named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel")),
      barProgress_(named(new QProgressBar(this), "barProgress")),
      lblStatus_(named(new QLabel(this), "lblStatus")),
      tblResults_(named(new QTableWidget(this), "tblResults")),
      imgChart_(named(new QLabel(this), "imgChart")) {
    setObjectName(QStringLiteral("frmMeasure"));
    setWindowTitle(QStringLiteral("Characterise and Calibrate"));
    cboCodes_->addItems({QStringLiteral("Default codes"), QStringLiteral("Every code")});
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Channels (0-3,8)"), txtChannels_);
    form->addRow(QStringLiteral("Codes"), cboCodes_);
    form->addRow(QStringLiteral("Meter"), txtMeter_);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {cmdCharacterise_, cmdCalibrate_, cmdCancel_}) {
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(barProgress_);
    layout->addWidget(lblStatus_);
    layout->addWidget(tblResults_);
    layout->addWidget(imgChart_);
    imgChart_->setMinimumSize(480, 300);
    tblResults_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblResults_->horizontalHeader()->setStretchLastSection(true);
    cmdCancel_->setEnabled(false);
    connect(cmdCharacterise_, &QPushButton::clicked, this, &MeasureDialog::cmdCharacterise_Click);
    connect(cmdCalibrate_, &QPushButton::clicked, this, &MeasureDialog::cmdCalibrate_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &MeasureDialog::cmdCancel_Click);
    connect(tblResults_, &QTableWidget::itemSelectionChanged, this, &MeasureDialog::showChart);
}

MeasureDialog::~MeasureDialog() = default;

void MeasureDialog::fail(const QString& text) {
    lblStatus_->setText(text);
}

measure::MeterBench* MeasureDialog::openBench() {
    try {
        return &opener_(txtMeter_->text().trimmed().toStdString());
    } catch (const meter::MeterFailure& failure) {
        fail(QString::fromStdString(failure.what()));
        return nullptr;
    }
}

bool MeasureDialog::readChannels(std::vector<int>& channels) {
    const PartInfo& part = *ops_.module().part();
    const ChannelList list =
        parseChannelList(txtChannels_->text().toStdString(), largestChannelNumber(part));
    if (!list.error.empty()) {
        fail(QString::fromStdString("Channels: " + list.error));
        return false;
    }
    channels.clear();
    for (const int n : list.channels) channels.push_back(indexOfChannelNumber(&part, n));
    return true;
}

void MeasureDialog::setRunning(bool running) {
    cmdCharacterise_->setEnabled(!running);
    cmdCalibrate_->setEnabled(!running);
    cmdCancel_->setEnabled(running);
}

void MeasureDialog::cmdCharacterise_Click() {
    measure::MeterBench* bench = openBench();
    if (bench == nullptr || !readChannels(channels_)) return;
    const int bits = ops_.module().part()->bits;
    run_ = std::make_unique<measure::MeasurementRun>(
        ops_, bench->meter(), bench->router(), channels_,
        cboCodes_->currentIndex() == 1 ? everyCode(bits) : defaultCodes(bits));
    setRunning(true);
    barProgress_->setValue(0);
    QTimer::singleShot(0, this, &MeasureDialog::step);
}

void MeasureDialog::cmdCancel_Click() {
    if (run_) run_->cancel();
}

void MeasureDialog::step() {
    if (run_->step()) {
        barProgress_->setValue(static_cast<int>(run_->progress() * 100));
        const auto left = run_->timeLeft().count();
        lblStatus_->setText(QStringLiteral("%1 readings, %2 min %3 s left")
                                .arg(run_->readings().size())
                                .arg(left / 60)
                                .arg(left % 60));
        QTimer::singleShot(0, this, &MeasureDialog::step);
        return;
    }
    setRunning(false);
    barProgress_->setValue(static_cast<int>(run_->progress() * 100));
    showCharacterisation();
}

void MeasureDialog::showCharacterisation() {
    const QStringList columns{"Channel",      "Offset (LSB)", "Gain error (%)", "INL end-point",
                              "INL best fit", "DNL min",      "DNL max",        "Monotonic"};
    tblResults_->clear();
    tblResults_->setColumnCount(static_cast<int>(columns.size()));
    tblResults_->setHorizontalHeaderLabels(columns);
    tblResults_->setRowCount(0);
    charts_.clear();
    for (const int channel : channels_) {
        const std::optional<ChannelLinearity> found =
            measure::channelLinearity(ops_, run_->readings(), channel);
        if (!found) continue;
        const ChannelLinearity& result = *found;
        const LinearitySummary& s = result.linearity.summary;
        const int row = tblResults_->rowCount();
        tblResults_->insertRow(row);
        const QStringList cells{
            QString::number(result.channel),
            number(s.offsetErrorLsb, 2),
            number(s.gainErrorPercent, 4),
            number(s.maxEndPointInl, 2),
            number(s.maxBestFitInl, 2),
            number(s.minDnl, 3),
            number(s.maxDnl, 3),
            s.problem.empty() ? (s.monotonic ? "yes" : "no") : QString::fromStdString(s.problem)};
        for (int column = 0; column < cells.size(); ++column) {
            tblResults_->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
        charts_.push_back(linearityChartSvg(result));
    }
    QString status = QStringLiteral("%1 readings").arg(run_->readings().size());
    if (run_->cancelled()) status += QStringLiteral("; cancelled");
    if (run_->failure()) status += QStringLiteral("; ") + QString::fromStdString(*run_->failure());
    lblStatus_->setText(status);
    if (tblResults_->rowCount() > 0) tblResults_->selectRow(0);
}

void MeasureDialog::showChart() {
    const int row = tblResults_->currentRow();
    if (row < 0 || row >= static_cast<int>(charts_.size())) return;
    imgChart_->setPixmap(QPixmap::fromImage(chartImage(charts_[static_cast<std::size_t>(row)], 1)));
}

void MeasureDialog::cmdCalibrate_Click() {
    measure::MeterBench* bench = openBench();
    std::vector<int> channels;
    if (bench == nullptr || !readChannels(channels)) return;
    setRunning(true);
    const measure::CalibrationResult result = bench->calibrate(channels);
    setRunning(false);
    const QStringList columns{"Channel",
                              "M",
                              "C",
                              "Gain error before (%)",
                              "Offset before (V)",
                              "Gain error after (%)",
                              "Offset after (V)",
                              "Trim"};
    tblResults_->clear();
    tblResults_->setColumnCount(static_cast<int>(columns.size()));
    tblResults_->setHorizontalHeaderLabels(columns);
    tblResults_->setRowCount(0);
    charts_.clear();
    for (const measure::ChannelCalibration& c : result.channels) {
        const int row = tblResults_->rowCount();
        tblResults_->insertRow(row);
        const bool full = c.trim.gainReached && c.trim.offsetReached;
        const QStringList cells{
            QString::number(channelNumberOfIndex(ops_.module().part(), c.channelIndex)),
            QString::number(c.trim.m),
            QString::number(c.trim.c),
            number(c.before.gain * 100, 4),
            number(c.before.offsetVolts, 6),
            number(c.after.gain * 100, 4),
            number(c.after.offsetVolts, 6),
            full ? QStringLiteral("full") : QStringLiteral("partial")};
        for (int column = 0; column < cells.size(); ++column) {
            tblResults_->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
    }
    barProgress_->setValue(result.channels.size() == channels.size() ? 100 : 0);
    lblStatus_->setText(result.failure
                            ? QString::fromStdString(*result.failure)
                            : QStringLiteral("%1 channels calibrated").arg(result.channels.size()));
}

void addMeasureMenu(QMainWindow& window, std::function<void()> openDialog) {
    QMenuBar* bar = window.menuBar();
    // After "File": before the menu that follows it.
    QAction* after = bar->actions().size() > 1 ? bar->actions().at(1) : nullptr;
    auto* menu = new QMenu(QStringLiteral("Measure"), bar);
    menu->setObjectName(QStringLiteral("mnuMeasure"));
    bar->insertMenu(after, menu);
    QAction* open = menu->addAction(QStringLiteral("Characterise and Calibrate..."));
    open->setObjectName(QStringLiteral("mnuCharacterise"));
    QObject::connect(open, &QAction::triggered, &window, std::move(openDialog));
}

}  // namespace kteval::ui
