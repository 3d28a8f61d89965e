#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "../temp_dir.h"
#include "intel_hex.h"
#include "libusb_board.h"

namespace kteval::testing_support {

inline int16_t load(LibusbBoard& link, const std::string& file) {
    return link.LoadFirmWare(reinterpret_cast<const uint8_t*>(file.c_str()));
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
