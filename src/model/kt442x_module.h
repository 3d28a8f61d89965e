#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dac.h"
#include "part_catalogue.h"

namespace kteval {

// The program's picture of the fitted part and the operator's selections.
// Booleans kept in 16-bit members are -1 for true and 0 for false.
class KT442xModule {
  public:
    std::string PartName;                 // empty until a part is chosen
    int16_t PartBits = 0;                 // 14 or 16
    int16_t PartChannels = 0;             // 8, 16, 32 or 40
    ChannelTable DACs;                    // DACs(i), i in 0-39
    int16_t SelectedDAC = 0;              // channel index chosen with chkDAC
    int16_t UseX1B = 0;                   // 0: X writes go to X1A, -1: to X1B
    std::array<int32_t, 3> OffsetCode{};  // the three offset DAC codes
    int16_t DirectLoadIndex = 0;          // txtDirectLoad row sent by "Load Command"
    int32_t MonitorState = 0;             // monitor word data, bits 5-0
    int16_t BusyFlag = 0;                 // -1 while the program itself changes a control
    bool GpioHigh = false;                // the GPIO level last read with "Read"

    // The catalogue row of PartName, or nullptr when no part is chosen.
    const PartInfo* part() const { return findPart(PartName); }

    // Model half of a part's setup: PartBits, PartChannels, PartName and the
    // M and C registers of all 40 records.
    void applySetup(const PartInfo& info);

    // Every record to the chosen part's start values: M full scale, C mid
    // scale, input/effective/DAC register codes to the part's default code
    // (left alone when no part is chosen). ABsel is kept.
    void ResetChannelTable();

    // The start values of the offset DAC codes (UpdateOffset's model half);
    // nothing changes when no part is chosen.
    void resetOffsetCodes();

    // The record of SelectedDAC.
    DAC& selected() { return DACs(SelectedDAC); }
    const DAC& selected() const { return DACs(SelectedDAC); }
};

}  // namespace kteval
