#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "dac.h"
#include "part_catalogue.h"

namespace kteval {

// Reads a reference voltage text: the number the text begins with, blanks
// ignored anywhere, optional sign, fraction and exponent; 0 when the text does
// not begin with a number or the number is out of the double range.
// '.' is the decimal separator whatever the locale.
double readReferenceText(std::string_view text);

// The shortest decimal text of value with at most 15 significant digits
// ("5", "2.5", "0"); locale-independent.
std::string formatDecimal(double value);

// The shortest decimal text that reads back as exactly value ("7.99951171875",
// "0.1"); locale-independent; "0" for zero and for what is not finite.
std::string formatExact(double value);

// A voltage as "0.0000": at least one integer digit, four decimals, a minus
// sign only when the rounded value is not zero.
std::string formatVoltage(double volts);

// Vout = (D - O) x (4 x V) / divisor, with O = OffsetCode(k) x the part's
// offset multiplier. D - O is an integer, the rest double.
double outputVoltage(const PartInfo& part, int32_t dacReg, int32_t offsetCode, double vref);

// The output voltage of a channel number as the voltage table computes it:
// group lookup and index remap of the 8-channel parts; 0 for an unknown part
// name. referenceVolts are the reference entries read with readReferenceText.
double channelOutputVolts(std::string_view partName, int channelNumber, const ChannelTable& table,
                          const std::array<int32_t, 3>& offsetCodes,
                          const std::array<double, 3>& referenceVolts);

// channelOutputVolts as the voltage table shows it: "0.0000" text.
std::string TransferFunction(std::string_view partName, int channelNumber,
                             const ChannelTable& table, const std::array<int32_t, 3>& offsetCodes,
                             const std::array<double, 3>& referenceVolts);

}  // namespace kteval
