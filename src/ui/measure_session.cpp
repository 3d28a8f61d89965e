#include "measure_session.h"

#include <unistd.h>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>

#include "calibration_run.h"
#include "linearity.h"
#include "output_voltage.h"
#include "part_catalogue.h"
#include "report.h"

namespace kteval::ui {

namespace {

std::string minutesAndSeconds(std::chrono::seconds time) {
    const auto minutes = std::chrono::duration_cast<std::chrono::minutes>(time);
    return std::to_string(minutes.count()) + " min " + std::to_string((time - minutes).count()) +
           " s";
}

}  // namespace

QImage chartImage(const std::string& svg, int scale) {
    // Qt's SVG image plugin is loaded only here, not at every start-up.
    QByteArray bytes = QByteArray::fromStdString(svg);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "svg");
    reader.setScaledSize(reader.size() * scale);
    const QImage chart = reader.read();
    if (chart.isNull()) return {};
    QImage image(chart.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawImage(0, 0, chart);
    return image;
}

MeasureSession::MeasureSession(remote::Operations& ops, measure::MeterBench& bench,
                               std::vector<int> channels, std::vector<int32_t> codes,
                               std::string outDir)
    : ops_(ops),
      bench_(bench),
      channels_(std::move(channels)),
      codes_(std::move(codes)),
      outDir_(std::move(outDir)) {}

void MeasureSession::characterise() {
    run_ = std::make_unique<measure::MeasurementRun>(ops_, bench_.meter(), bench_.router(),
                                                     channels_, codes_);
    QTimer::singleShot(0, this, &MeasureSession::step);
}

void MeasureSession::step() {
    const bool more = run_->step();
    const int percent = static_cast<int>(run_->progress() * 100);
    const bool terminal = isatty(STDERR_FILENO) != 0;
    if (more && (terminal || percent / 10 != shownPercent_ / 10) && percent != shownPercent_) {
        shownPercent_ = percent;
        std::fprintf(stderr, "%skteval: measured %d %%, %s left%s", terminal ? "\r" : "", percent,
                     minutesAndSeconds(run_->timeLeft()).c_str(), terminal ? "" : "\n");
    }
    if (more) {
        QTimer::singleShot(0, this, &MeasureSession::step);
        return;
    }
    if (terminal && shownPercent_ >= 0) std::fputc('\n', stderr);
    status_ = writeCharacterisation();
    QCoreApplication::exit(*status_);
}

int MeasureSession::calledOff() {
    if (run_) run_->cancel();
    return run_ ? writeCharacterisation() : 1;
}

bool MeasureSession::writeFile(const std::string& name, const std::string& content) {
    const std::string path = outDir_ + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "w");
    const bool written =
        file != nullptr && std::fwrite(content.data(), 1, content.size(), file) == content.size();
    if (file != nullptr && std::fclose(file) != 0) return false;
    if (!written) std::fprintf(stderr, "kteval: cannot write %s\n", path.c_str());
    return written;
}

int MeasureSession::writeCharacterisation() {
    QDir().mkpath(QString::fromLocal8Bit(outDir_.c_str()));
    std::vector<ChannelLinearity> channels;
    for (const int channel : channels_) {
        if (auto result = measure::channelLinearity(ops_, run_->readings(), channel)) {
            channels.push_back(std::move(*result));
        }
    }
    bool written = writeFile("readings.csv", readingsCsv(channels)) &&
                   writeFile("summary.csv", summaryCsv(channels));
    for (const ChannelLinearity& channel : channels) {
        const std::string name = "dac" + std::to_string(channel.channel) + "-linearity";
        const std::string svg = linearityChartSvg(channel);
        written = written && writeFile(name + ".svg", svg);
        const QImage image = chartImage(svg, 2);
        if (image.isNull()) {
            std::fprintf(stderr, "kteval: no SVG image plugin: %s.png left out\n", name.c_str());
        }
        written = written && !image.isNull() &&
                  image.save(QString::fromLocal8Bit((outDir_ + "/" + name + ".png").c_str()));
    }
    if (run_->failure()) std::fprintf(stderr, "kteval: %s\n", run_->failure()->c_str());
    if (run_->cancelled()) std::fprintf(stderr, "kteval: the measuring was called off\n");
    std::fprintf(stderr, "kteval: %zu readings of %zu channels in %s\n", run_->readings().size(),
                 channels.size(), outDir_.c_str());
    return written && !run_->failure() && !run_->cancelled() ? 0 : 1;
}

int MeasureSession::calibrate() {
    QDir().mkpath(QString::fromLocal8Bit(outDir_.c_str()));
    const measure::CalibrationResult result = bench_.calibrate(channels_);
    const PartInfo* part = ops_.module().part();
    std::string csv =
        "channel,m,c,trim,gain_error_before_percent,offset_before_volts,"
        "gain_error_after_percent,offset_after_volts,offset_after_lsb\n";
    for (const measure::ChannelCalibration& c : result.channels) {
        const bool full = c.trim.gainReached && c.trim.offsetReached;
        csv += std::to_string(channelNumberOfIndex(part, c.channelIndex)) + "," +
               std::to_string(c.trim.m) + "," + std::to_string(c.trim.c) + "," +
               (full ? "full" : "partial") + "," + formatDecimal(c.before.gain * 100) + "," +
               formatDecimal(c.before.offsetVolts) + "," + formatDecimal(c.after.gain * 100) + "," +
               formatDecimal(c.after.offsetVolts) + "," +
               formatDecimal(c.after.offsetVolts / std::abs(c.ideal.lsb)) + "\n";
    }
    const bool written = writeFile("calibration.csv", csv);
    if (result.failure) std::fprintf(stderr, "kteval: %s\n", result.failure->c_str());
    std::fprintf(stderr, "kteval: %zu channels calibrated, in %s\n", result.channels.size(),
                 outDir_.c_str());
    return written && !result.failure && !result.cancelled ? 0 : 1;
}

}  // namespace kteval::ui
