#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "board_link.h"

namespace kteval {

// The one road every command word takes: shown to the operator, then written.
class SpiPort {
  public:
    using Display = std::function<void(const std::string& sixHexDigits)>;

    SpiPort(BoardLink& link, Display display) : link_(link), display_(std::move(display)) {}

    // Shows NumberToHex(Code, 6), then WriteWord(24, Code).
    void SPIout(int32_t Code);

  private:
    BoardLink& link_;
    Display display_;
};

}  // namespace kteval
