#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "../temp_dir.h"
#include "intel_hex.h"
#include "libusb_board.h"

namespace kteval::testing_support {

inline int16_t load(LibusbBoard& link, const std::string& file) {
    return link.LoadFirmWare(reinterpret_cast<const uint8_t*>(file.c_str()));
}

using ByteMap = std::map<uint32_t, uint8_t>;

// srec_cat's Verilog memory dump: "@address" then bytes, /* comments */.
inline ByteMap readVmem(const std::string& text) {
    ByteMap bytes;
    std::istringstream in(text);
    std::string token;
    uint32_t address = 0;
    bool comment = false;
    while (in >> token) {
        if (token.starts_with("/*")) comment = true;
        if (comment) {
            comment = !token.ends_with("*/");
            continue;
        }
        if (token.starts_with("@")) {
            address = static_cast<uint32_t>(std::stoul(token.substr(1), nullptr, 16));
        } else {
            bytes[address++] = static_cast<uint8_t>(std::stoul(token, nullptr, 16));
        }
    }
    return bytes;
}

inline std::vector<uint8_t> randomBytes(std::mt19937& random, std::size_t n) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(byte(random));
    return bytes;
}

// A firmware-like image: code from 0, a block at the top of main RAM and the
// whole scratch RAM, so every chunk boundary and both RAM areas are used.
inline std::vector<HexSegment> sampleImage(uint32_t seed = 4421) {
    std::mt19937 random(seed);
    return {{0x0000, randomBytes(random, 3000)},
            {0x3F80, randomBytes(random, 0x80)},
            {0xE000, randomBytes(random, 0x200)}};
}

}  // namespace kteval::testing_support
