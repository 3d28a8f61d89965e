// Words per second through the whole sending road: SpiPort::SPIout (label
// text) -> BoardLink::WriteWord -> the simulated board's chip registers.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "board_link.h"
#include "part_catalogue.h"
#include "request_codes.h"
#include "simulated_board.h"
#include "spi_port.h"

namespace {

using kteval::BoardLink;
using kteval::SimulatedBoard;
using kteval::SpiPort;

// A mix like an operator session: X, M and C writes over all channels,
// offset DACs, group selects, monitor and control words.
std::vector<int32_t> wordMix() {
    std::vector<int32_t> words;
    for (int32_t index = 0; index < 40; ++index) {
        const int32_t address = (index + 8) << 16;
        words.push_back(0xC00000 | address | ((index * 0x0413) & 0xFFFC));
        words.push_back(0x400000 | address | 0xFFFC);
        words.push_back(0x800000 | address | 0x8000);
    }
    words.push_back(0x031555);
    words.push_back(0x070055);
    words.push_back(0x0C0022);
    words.push_back(0x010004);
    words.push_back(0x010000);
    return words;
}

void runWords(benchmark::State& state, bool ldacHeldLow) {
    SimulatedBoard board(kteval::partByIndex(5));
    BoardLink link(board);
    if (ldacHeldLow) link.SendRequest(kteval::request::LdacLow);
    std::string label;
    SpiPort port(link, [&label](const std::string& sixHexDigits) { label = sixHexDigits; });
    const std::vector<int32_t> words = wordMix();
    std::size_t next = 0;
    for (auto _ : state) {
        port.SPIout(words[next]);
        next = next + 1 == words.size() ? 0 : next + 1;
        benchmark::DoNotOptimize(label.data());
    }
    benchmark::DoNotOptimize(board.state());
    state.SetItemsProcessed(state.iterations());
}

// Writes land in the input registers; LDAC is high.
void BM_SpiOutWords(benchmark::State& state) {
    runWords(state, false);
}
// LDAC held low: every channel write also reloads that channel's DAC register.
void BM_SpiOutWordsLdacLow(benchmark::State& state) {
    runWords(state, true);
}

}  // namespace

BENCHMARK(BM_SpiOutWords);
BENCHMARK(BM_SpiOutWordsLdacLow);
