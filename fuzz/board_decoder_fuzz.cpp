// Random vendor request sequences against the simulated board, for a random
// fitted part. Properties: no crash; every register within its field width;
// channels the part lacks never change; a refused request changes neither
// the chip nor the buffer; a read fills byte 0 with 0 or 1 and byte 1 with 0.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "part_catalogue.h"
#include "simulated_board.h"

namespace {

using namespace kteval;

void require(bool condition) {
    if (!condition) std::abort();
}

void checkWidths(const SimulatedBoard& board, const ChipState& powerOn) {
    const ChipState& s = board.state();
    for (int i = 0; i < kChannelCount; ++i) {
        const ChannelRegisters& r = board.channel(i);
        for (const int32_t code : {r.X1A, r.X1B, r.M, r.C, r.DACreg}) {
            require(code >= 0 && code < (1 << board.part().bits));
        }
        if (!usesChannelIndex(board.part(), i)) require(r == powerOn.channels[std::size_t(i)]);
        require(std::abs(board.outputVoltage(i)) <= 4 * board.referenceVoltage());
    }
    for (const int32_t code : s.offsetDacs) require(code >= 0 && code <= 0x3FFF);
    for (std::size_t g = 0; g < s.groupSelect.size(); ++g) {
        require(s.groupSelect[g] >= 0 && s.groupSelect[g] <= 0xFF);
        require(int(g) < board.part().groupCount || s.groupSelect[g] == 0);
    }
    require(s.monitor >= 0 && s.monitor <= 0x3F && s.gpioConfig >= 0 && s.gpioConfig <= 3);
    require(s.readbackSelection >= 0 && s.readbackSelection <= 0xFFFF);
}

// The request codes worth hitting often; anything else comes from raw bytes.
constexpr std::array<int16_t, 10> kCodes{221, 221, 221, 222, 218, 219, 220, 223, 226, 227};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::size_t next = 0;
    const auto byte = [&] { return next < size ? data[next++] : uint8_t{0}; };
    const auto word16 = [&] { return static_cast<uint16_t>(byte() | byte() << 8); };
    SimulatedBoard board(partByIndex(byte() % kPartCount));
    const ChipState powerOn = board.state();
    while (next < size) {
        const uint8_t op = byte();
        if (op == 0xFF) {
            board.setGpioInputLevel((byte() & 1) != 0);
            continue;
        }
        int16_t request = static_cast<int16_t>(word16());
        int32_t value = word16();
        int32_t index = byte();
        int16_t direction = 0;
        int16_t length = 0;
        const bool nullBuffer = (op & 0xE0) == 0xE0;
        if ((op & 0x80) == 0) {  // well formed: a known code, mostly word writes
            request = kCodes[(op & 0x3F) % kCodes.size()];
            direction = (op & 0x40) != 0 && request == 221 ? 1 : 0;
            length = direction == 1 ? 3 : 0;
        } else {  // raw code and arguments, out of range or negative
            if ((op & 0x10) != 0) value = static_cast<int32_t>(value * 0x10001u) - 0x8000;
            if ((op & 0x08) != 0) index = static_cast<int32_t>(index * 0x0101u) - 0x80;
            direction = static_cast<int16_t>(static_cast<int8_t>(byte()) % 3);
            length = static_cast<int16_t>(static_cast<int8_t>(byte()) % 8);
        }
        std::array<uint8_t, 8> buffer{};
        buffer.fill(0xEE);
        const ChipState before = board.state();
        const int16_t result = board.VendorIORequest(request, value, index, direction, length,
                                                     nullBuffer ? nullptr : buffer.data());
        if (result < 0) {
            require(board.state() == before);
            for (const uint8_t b : buffer) require(b == 0xEE);
        } else if (request == 221 && direction == 1) {
            require(buffer[0] <= 1 && buffer[1] == 0);
        }
        checkWidths(board, powerOn);
    }
    return 0;
}
