#include <benchmark/benchmark.h>

#include <random>

#include "intel_hex.h"

namespace {

// A full 16 KiB main-RAM image in the 16-byte records most tools write.
std::string sixteenKiBImage() {
    std::mt19937 random(4421);
    kteval::HexSegment segment{0x0000, std::vector<uint8_t>(0x4000)};
    for (uint8_t& b : segment.bytes) b = static_cast<uint8_t>(random());
    const std::vector<kteval::HexSegment> image{segment};
    return kteval::writeIntelHex(image, 16);
}

void BM_ParseIntelHex16KiB(benchmark::State& state) {
    const std::string text = sixteenKiBImage();
    for (auto _ : state) {
        kteval::HexParseResult result = kteval::parseIntelHex(text);
        benchmark::DoNotOptimize(result);
        if (!result.ok()) state.SkipWithError("image refused");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseIntelHex16KiB);

}  // namespace
