// Any reference voltage text: the reading is finite, Enter's rewrite reads back
// to the same value, and every voltage text matches -?[0-9]+\.[0-9]{4}.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "output_voltage.h"

namespace {

bool isVoltageText(const std::string& text) {
    std::size_t pos = text[0] == '-' ? 1 : 0;
    const std::size_t dot = text.find('.');
    if (dot == std::string::npos || dot == pos || text.size() - dot != 5) return false;
    for (std::size_t i = pos; i < text.size(); ++i) {
        if (i != dot && (text[i] < '0' || text[i] > '9')) return false;
    }
    return text != "-0.0000";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    int32_t dacReg = 0;
    std::memcpy(&dacReg, data, 4);
    const std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);
    const double volts = kteval::readReferenceText(text);
    if (!std::isfinite(volts)) std::abort();
    const std::string rewritten = kteval::formatDecimal(volts);
    const double again = kteval::readReferenceText(rewritten);
    // 15 significant digits: the rewrite reads back within one part in 1e14.
    if (std::fabs(again - volts) > std::fabs(volts) * 1e-14) std::abort();
    if (kteval::formatDecimal(again) != rewritten) std::abort();
    for (const kteval::PartInfo& part : kteval::partCatalogue()) {
        const double vout = kteval::outputVoltage(part, dacReg, data[0], volts);
        if (!isVoltageText(kteval::formatVoltage(vout))) std::abort();
    }
    return 0;
}
