#include "spi_port.h"

#include "hex_text.h"

namespace kteval {

void SpiPort::SPIout(int32_t Code) {
    if (display_) display_(NumberToHex(Code, 6));
    link_.WriteWord(24, Code);
}

}  // namespace kteval
