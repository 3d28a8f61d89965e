// The INL and DNL picture of one channel, SVG 1.1 written out by hand: two
// charts stacked, each a frame with tick marks, labels, grid and a polyline.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "report.h"
#include "report_text.h"

namespace kteval {

namespace {

constexpr double kWidth = 640;
constexpr double kHeight = 530;
constexpr double kLeft = 70;  // room for the value labels
constexpr double kRight = 20;
constexpr double kChartHeight = 170;
constexpr double kInlTop = 70;
constexpr double kDnlTop = 310;
constexpr int kTicks = 5;  // about this many tick intervals per axis

using Point = std::pair<double, double>;  // code, LSB

// An axis from lo to hi with ticks at the multiples of step between them.
struct Axis {
    double lo;
    double hi;
    double step;
    int decimals;  // of the tick labels
};

// Ticks at 1, 2 or 5 x 10^n; expanded, the axis ends on ticks.
Axis niceAxis(double lo, double hi, bool expand) {
    if (!(hi > lo)) {
        const double half = std::max(1.0, std::abs(lo) * 0.1);
        lo -= half;
        hi += half;
    }
    const double raw = (hi - lo) / kTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double normalised = raw / magnitude;
    const double step = magnitude * (normalised <= 1   ? 1
                                     : normalised <= 2 ? 2
                                     : normalised <= 5 ? 5
                                                       : 10);
    if (expand) {
        lo = std::floor(lo / step) * step;
        hi = std::ceil(hi / step) * step;
    }
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step))));
    return Axis{lo, hi, step, decimals};
}

struct Chart {
    double top;
    Axis x;
    Axis y;
    double px(double code) const {
        return kLeft + (code - x.lo) / (x.hi - x.lo) * (kWidth - kLeft - kRight);
    }
    double py(double value) const { return top + (y.hi - value) / (y.hi - y.lo) * kChartHeight; }
};

std::string at(double coordinate) {
    return fixedText(coordinate, 2);
}

void appendText(std::string& svg, double x, double y, std::string_view anchor,
                std::string_view text, int size = 11) {
    svg += "<text x=\"" + at(x) + "\" y=\"" + at(y) + "\" text-anchor=\"" + std::string(anchor) +
           "\" font-size=\"" + std::to_string(size) + "\">" + xmlEscaped(text) + "</text>\n";
}

void appendLine(std::string& svg, double x1, double y1, double x2, double y2,
                std::string_view style) {
    svg += "<line x1=\"" + at(x1) + "\" y1=\"" + at(y1) + "\" x2=\"" + at(x2) + "\" y2=\"" +
           at(y2) + "\" " + std::string(style) + "/>\n";
}

// The tick values of an axis: the multiples of step from lo to hi.
std::vector<double> ticks(const Axis& axis) {
    std::vector<double> values;
    const double first = std::ceil(axis.lo / axis.step - 1e-9);
    for (double i = first; i * axis.step <= axis.hi + axis.step * 1e-9; ++i)
        values.push_back(i * axis.step);
    return values;
}

void appendChart(std::string& svg, const Chart& chart, std::string_view title,
                 const std::vector<Point>& points) {
    const double right = kWidth - kRight;
    const double bottom = chart.top + kChartHeight;
    appendText(svg, kLeft, chart.top - 8, "start", title, 13);
    for (double value : ticks(chart.y)) {
        const double y = chart.py(value);
        appendLine(svg, kLeft, y, right, y, "stroke=\"#dddddd\"");
        appendLine(svg, kLeft - 5, y, kLeft, y, "stroke=\"black\"");
        appendText(svg, kLeft - 8, y + 4, "end", fixedText(value, chart.y.decimals));
    }
    for (double code : ticks(chart.x)) {
        const double x = chart.px(code);
        appendLine(svg, x, bottom, x, bottom + 5, "stroke=\"black\"");
        appendText(svg, x, bottom + 18, "middle", fixedText(code, 0));
    }
    if (chart.y.lo < 0 && chart.y.hi > 0)
        appendLine(svg, kLeft, chart.py(0), right, chart.py(0),
                   "stroke=\"#888888\" stroke-dasharray=\"4,3\"");
    svg += "<rect x=\"" + at(kLeft) + "\" y=\"" + at(chart.top) + "\" width=\"" +
           at(right - kLeft) + "\" height=\"" + at(kChartHeight) +
           "\" fill=\"none\" stroke=\"black\"/>\n";
    svg += "<polyline fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"1.2\" points=\"";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) svg += ' ';
        svg += at(chart.px(points[i].first)) + ',' + at(chart.py(points[i].second));
    }
    svg += "\"/>\n";
}

Axis valueAxis(const std::vector<Point>& points) {
    double lo = 0;
    double hi = 0;
    for (const auto& [code, value] : points) {
        lo = std::min(lo, value);
        hi = std::max(hi, value);
    }
    return niceAxis(lo, hi, true);
}

}  // namespace

std::string linearityChartSvg(const ChannelLinearity& channel) {
    const Linearity& result = channel.linearity;
    std::vector<Point> inl;
    if (result.summary.problem.empty()) {
        for (const ReadingResult& r : result.readings) inl.emplace_back(r.code, r.endPointInl);
    }
    std::vector<Point> dnl;
    for (const DnlStep& step : result.dnl) dnl.emplace_back(step.code, step.dnl);
    const double firstCode = result.readings.empty() ? 0 : result.readings.front().code;
    const double lastCode = result.readings.empty() ? 0 : result.readings.back().code;
    const Axis codes = niceAxis(firstCode, lastCode, false);

    std::string title = "Channel " + std::to_string(channel.channel) + " linearity";
    if (!result.summary.problem.empty()) title += ": " + result.summary.problem;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
                      at(kWidth) + "\" height=\"" + at(kHeight) + "\" viewBox=\"0 0 " + at(kWidth) +
                      ' ' + at(kHeight) +
                      "\" font-family=\"sans-serif\">\n<rect width=\"100%\" height=\"100%\" "
                      "fill=\"white\"/>\n";
    appendText(svg, kWidth / 2, 28, "middle", title, 15);
    appendChart(svg, Chart{kInlTop, codes, valueAxis(inl)}, "End-point INL (LSB)", inl);
    appendChart(svg, Chart{kDnlTop, codes, valueAxis(dnl)}, "DNL (LSB)", dnl);
    appendText(svg, (kLeft + kWidth - kRight) / 2, kHeight - 8, "middle", "Code");
    svg += "</svg>\n";
    return svg;
}

}  // namespace kteval
