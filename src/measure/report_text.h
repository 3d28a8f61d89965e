#pragma once

#include <string>
#include <string_view>

namespace kteval {

// Number and text forms shared by the reports of this folder.

// value in fixed notation with decimals digits after '.'; "-0.00" is "0.00".
std::string fixedText(double value, int decimals);

// text made safe for XML character data and attribute values.
std::string xmlEscaped(std::string_view text);

}  // namespace kteval
