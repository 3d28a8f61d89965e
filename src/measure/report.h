#pragma once

#include <span>
#include <string>

#include "linearity.h"

namespace kteval {

// One channel's results, as the reports list them.
struct ChannelLinearity {
    int channel;
    Linearity linearity;
};

// CSV texts: a header row naming every column, one row per reading or per
// channel, lines ending in LF, '.' as the decimal separator in any locale.
// Measured volts are written exactly as read (shortest round-trip form),
// other volts with 10 significant digits, LSB figures with 4 decimals and
// percentages with 6. A figure that was not computed is an empty field.

// channel,code,expected_volts,measured_volts,error_lsb
std::string readingsCsv(std::span<const ChannelLinearity> channels);

// One row per channel, the columns of summaryCsvHeader().
std::string summaryCsv(std::span<const ChannelLinearity> channels);
std::string summaryCsvHeader();

// An SVG 1.1 picture of one channel: end-point INL above DNL, both in LSB
// against the code, each a small chart with axes, tick labels and a title.
std::string linearityChartSvg(const ChannelLinearity& channel);

}  // namespace kteval
