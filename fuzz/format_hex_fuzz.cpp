// FormatHex on any text, NumberToHex and the register labels on any value.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hex_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const std::string original = text;
    const std::string result = kteval::FormatHex(text);
    if (result != text) std::abort();  // the caller's text holds the result
    const std::size_t expected = original.size() == 8                              ? 4
                                 : original.size() >= 1 && original.size() <= 3 ? 4
                                                                                  : original.size();
    if (result.size() != expected) std::abort();
    for (char c : result) {
        if (std::islower(static_cast<unsigned char>(c))) std::abort();
    }
    if (size >= 4) {
        int32_t value = 0;
        std::memcpy(&value, data, 4);
        const std::string label = kteval::registerLabelText(value);
        if (label.size() < 4 || label.size() > 7) std::abort();
        const int32_t word = value & 0xFFFFFF;
        const std::string six = kteval::NumberToHex(word, 6);
        if (six.size() != 6 || kteval::readHex(six) != static_cast<uint32_t>(word)) std::abort();
    }
    return 0;
}
