#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kteval {

// One voltage group: channel numbers first..last use reference voltage k and
// offset DAC k.
struct VoltageGroup {
    int firstChannel;
    int lastChannel;
};

// Everything that differs between the eight parts. Channel indices in use are
// 8 x g + p for g < groupCount and p < groupSize.
struct PartInfo {
    std::string_view name;           // "KT4410" ... "KT4423"
    int index;                       // button index in the part dialog
    std::string_view setupName;      // the main window's setup operation
    int16_t bits;                    // PartBits: 14 or 16
    int16_t channels;                // PartChannels: 8, 16, 32 or 40
    int groupCount;                  // groups of channels
    int groupSize;                   // channels per group: 8, or 4 on the 8-channel parts
    int32_t defaultCode;             // start value of X1A, X1B, X2A, X2B, DACreg
    int32_t offsetCode;              // start value of the three offset DAC codes
    std::string_view offsetText;     // start text of the offset DAC entries
    std::string_view referenceText;  // start text of the reference voltage entries
    bool thirdReference;             // VREF2 and the third offset DAC controls shown
    int monitorEntries;              // "DAC n" entries of the monitor list (0: no monitor/GPIO)
    int visibleVoltageLabels;        // lblvout 0..n-1 shown
    std::array<VoltageGroup, 3> voltageGroups;  // by k; unused groups are {-1, -1}
    int voltageGroupCount;
    int offsetMultiplier;  // 4 on the 16-bit parts, 1 on the 14-bit parts
    int32_t divisor;       // 2^bits
    bool monitorFamily;    // the 441x parts: monitor and GPIO controls, tab renamed
};

inline constexpr int kPartCount = 8;

const std::array<PartInfo, kPartCount>& partCatalogue();

// The part named name, or nullptr when the name is none of the eight.
const PartInfo* findPart(std::string_view name);

// The part of the part dialog's button index (0-7).
const PartInfo& partByIndex(int index);

// True when the channel index is one the part addresses.
bool usesChannelIndex(const PartInfo& part, int index);

// The number captions show for a channel index (on the 8-channel parts
// indices 8-11 are channels 4-7). Indices the part does not use map to themselves.
int channelNumberOfIndex(const PartInfo* part, int index);

// The channel index of a channel number (inverse of channelNumberOfIndex);
// numbers beyond the part's channels map to themselves.
int indexOfChannelNumber(const PartInfo* part, int channelNumber);

// The voltage group k of a channel number, or nullopt when the part has none.
std::optional<int> voltageGroupOf(const PartInfo& part, int channelNumber);

// The main window caption: "<part> Evaluation Software - <n> x <bits>-Bit Channels".
std::string mainCaption(std::string_view partName, int channels, int bits);

// 2^bits - 1 and 2^(bits - 1), computed in floating point and rounded to
// nearest with ties to even, as the chip's full-scale gain and mid-scale offset.
int32_t fullScaleGain(int bits);
int32_t midScaleOffset(int bits);

}  // namespace kteval
