#include "part_rules.h"

namespace kteval {

uint32_t largestCode(int bits) {
    return bits >= 32 ? UINT32_MAX : (uint32_t{1} << bits) - 1;
}

uint32_t largestRegisterCode(int partBits) {
    return largestCode(partBits);
}

int offsetDacCount(const PartInfo* part) {
    if (part == nullptr) return 0;
    return part->thirdReference ? 3 : 2;
}

bool hasOffsetDac(const PartInfo* part, int k) {
    return k >= 0 && k < offsetDacCount(part);
}

int largestChannelNumber(const PartInfo& part) {
    return part.channels - 1;
}

bool hasMonitor(const PartInfo* part) {
    return part != nullptr && part->monitorFamily;
}

int monitorEntryCount(const PartInfo& part) {
    return 2 + part.monitorEntries;
}

std::string monitorEntryText(int position) {
    if (position < 2) return "Mon_In" + std::to_string(position);
    return "DAC " + std::to_string(position - 2);
}

}  // namespace kteval
