// The CSV and SVG texts: their shape, not their numbers (those are the
// linearity figures, tested on their own).
#include "report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace kteval {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) result.push_back(line);
    return result;
}

std::vector<ChannelLinearity> twoChannels() {
    const std::vector<Reading> readings{{0, -10.0}, {1, -9.9995}, {2, -9.999}, {65535, 9.9996}};
    const std::vector<Reading> one{{0, 1.0}};
    return {{3, analyseLinearity(readings, IdealTransfer{20.0 / 65536, -10})},
            {7, analyseLinearity(one, IdealTransfer{20.0 / 65536, -10})}};
}

// Catches a missing or renamed column, a row with fields the header does not
// name (a channel without figures included) and a reading left out.
TEST(Report, CsvHeaderNamesEveryColumn) {
    const std::vector<ChannelLinearity> channels = twoChannels();
    const std::vector<std::string> readings = lines(readingsCsv(channels));
    ASSERT_EQ(readings.size(), 1u + 4 + 1);
    EXPECT_EQ(readings[0], "channel,code,expected_volts,measured_volts,error_lsb");
    EXPECT_EQ(readings[2].substr(0, 4), "3,1,");
    const std::vector<std::string> summary = lines(summaryCsv(channels));
    ASSERT_EQ(summary.size(), 3u);
    EXPECT_EQ(summary[0] + '\n', summaryCsvHeader());
    for (const std::string& line : summary) {
        EXPECT_EQ(std::count(line.begin(), line.end(), ','),
                  std::count(summary[0].begin(), summary[0].end(), ','))
            << line;
    }
}

// Catches an unclosed document, a chart without its curve, and a NaN or an
// infinity from scaling a channel without figures.
TEST(Report, SvgIsWellFormed) {
    for (const ChannelLinearity& channel : twoChannels()) {
        const std::string svg = linearityChartSvg(channel);
        EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
        EXPECT_EQ(svg.substr(svg.find_last_not_of('\n') - 5, 6), "</svg>");
        std::size_t polylines = 0;
        for (std::size_t at = svg.find("<polyline"); at != std::string::npos;
             at = svg.find("<polyline", at + 1))
            ++polylines;
        EXPECT_EQ(polylines, 2u) << channel.channel;
        EXPECT_EQ(svg.find("nan"), std::string::npos) << channel.channel;
        EXPECT_EQ(svg.find("inf"), std::string::npos) << channel.channel;
    }
}

}  // namespace
}  // namespace kteval
