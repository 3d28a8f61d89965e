#pragma once

// The seed of a randomised test: fixed by default so that every run is the
// same, KTEVAL_SEED=n for another. A failure prints it.
#include <cstdint>
#include <cstdlib>
#include <string>

namespace kteval::test {

inline uint64_t testSeed() {
    const char* text = std::getenv("KTEVAL_SEED");
    if (text == nullptr || *text == '\0') return 20261206;
    return std::strtoull(text, nullptr, 10);
}

inline std::string seedNote(uint64_t seed) {
    return "seed " + std::to_string(seed) + " (KTEVAL_SEED=" + std::to_string(seed) +
           " repeats it)";
}

}  // namespace kteval::test
