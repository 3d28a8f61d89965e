// Random vendor request sequences against the simulated board, for a random
// fitted part. Properties: no crash; every register within its field width;
// channels the part lacks never change; a refused request (unknown code or
// bad arguments) changes neither the chip nor the buffer; a read fills byte 0
// with 0 or 1 and byte 1 with 0.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "part_catalogue.h"
#include "simulated_board.h"

namespace {

using kteval::ChipState;
using kteval::SimulatedBoard;

// Pulls bytes off the input; zeros once it runs dry.
class Input {
  public:
    Input(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return next_ >= size_; }
    uint8_t byte() { return next_ < size_ ? data_[next_++] : 0; }
    uint16_t word16() { return static_cast<uint16_t>(byte() | byte() << 8); }

  private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t next_ = 0;
};

void require(bool condition) {
    if (!condition) std::abort();
}

void checkWidths(const SimulatedBoard& board, const ChipState& powerOn) {
    const kteval::PartInfo& part = board.part();
    const int32_t codeMax = (1 << part.bits) - 1;
    const ChipState& state = board.state();
    for (int i = 0; i < kteval::kChannelCount; ++i) {
        const kteval::ChannelRegisters& r = board.channel(i);
        for (const int32_t code : {r.X1A, r.X1B, r.M, r.C, r.DACreg}) {
            require(code >= 0 && code <= codeMax);
        }
        if (!kteval::usesChannelIndex(part, i)) {
            require(r == powerOn.channels[static_cast<std::size_t>(i)]);
        }
        const double volts = board.outputVoltage(i);
        require(volts >= -4 * board.referenceVoltage() && volts <= 4 * board.referenceVoltage());
    }
    for (const int32_t code : state.offsetDacs) require(code >= 0 && code <= 0x3FFF);
    for (std::size_t g = 0; g < state.groupSelect.size(); ++g) {
        require(state.groupSelect[g] >= 0 && state.groupSelect[g] <= 0xFF);
        if (static_cast<int>(g) >= part.groupCount) require(state.groupSelect[g] == 0);
    }
    require(state.monitor >= 0 && state.monitor <= 0x3F);
    require(state.gpioConfig >= 0 && state.gpioConfig <= 3);
    require(state.readbackSelection >= 0 && state.readbackSelection <= 0xFFFF);
}

// The request codes worth hitting often; anything else comes from raw bytes.
constexpr std::array<int16_t, 10> kCodes{221, 221, 221, 222, 218, 219, 220, 223, 226, 227};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Input in(data, size);
    SimulatedBoard board(kteval::partByIndex(in.byte() % kteval::kPartCount));
    const ChipState powerOn = board.state();
    while (!in.empty()) {
        const uint8_t op = in.byte();
        if (op == 0xFF) {
            board.setGpioInputLevel((in.byte() & 1) != 0);
            continue;
        }
        if (op == 0xFE) {
            const ChipState before = board.state();
            const uint8_t path[] = "/nowhere/KT4421SPI.hex";
            require(board.LoadFirmWare(path) == 0 && board.state() == before);
            continue;
        }
        int16_t request = static_cast<int16_t>(in.word16());
        int32_t value = in.word16();
        int32_t index = in.byte();
        int16_t direction = 0;
        int16_t length = 0;
        const bool nullBuffer = (op & 0x80) != 0 && (op & 0x40) != 0 && (op & 0x20) != 0;
        if ((op & 0x80) == 0) {
            // A well-formed request: a known code, mostly word writes.
            request = kCodes[(op & 0x3F) % kCodes.size()];
            direction = (op & 0x40) != 0 && request == 221 ? 1 : 0;
            length = direction == 1 ? 3 : 0;
        } else {
            // Anything: raw code and arguments, out of range or negative.
            if ((op & 0x10) != 0) value = static_cast<int32_t>(value * 0x10001u) - 0x8000;
            if ((op & 0x08) != 0) index = static_cast<int32_t>(index * 0x0101u) - 0x80;
            direction = static_cast<int16_t>(static_cast<int8_t>(in.byte()) % 3);
            length = static_cast<int16_t>(static_cast<int8_t>(in.byte()) % 8);
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
