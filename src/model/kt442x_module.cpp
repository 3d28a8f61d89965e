#include "kt442x_module.h"

namespace kteval {

void KT442xModule::applySetup(const PartInfo& info) {
    PartBits = info.bits;
    PartChannels = info.channels;
    PartName = std::string(info.name);
    const int32_t gain = fullScaleGain(PartBits);
    const int32_t offset = midScaleOffset(PartBits);
    for (DAC& record : DACs) {
        record.M = gain;
        record.C = offset;
    }
}

void KT442xModule::ResetChannelTable() {
    const int32_t gain = fullScaleGain(PartBits);
    const int32_t offset = midScaleOffset(PartBits);
    for (DAC& record : DACs) {
        record.M = gain;
        record.C = offset;
    }
    const PartInfo* info = part();
    if (info == nullptr) return;
    for (DAC& record : DACs) {
        record.X1A = record.X1B = record.X2A = record.X2B = record.DACreg = info->defaultCode;
    }
}

void KT442xModule::resetOffsetCodes() {
    const PartInfo* info = part();
    if (info == nullptr) return;
    OffsetCode.fill(info->offsetCode);
}

}  // namespace kteval
