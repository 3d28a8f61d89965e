#include "status.h"

namespace kteval::remote {

uint8_t StatusRegisters::takeEvents() {
    const uint8_t events = events_;
    events_ = 0;
    return events;
}

uint8_t StatusRegisters::statusByte(bool errorQueued) const {
    uint8_t status = errorQueued ? kErrorAvailable : 0;
    if ((events_ & eventEnable_) != 0) status |= kEventSummary;
    if ((status & serviceEnable_) != 0) status |= kMasterSummary;
    return status;
}

uint8_t StatusRegisters::eventBitOf(int code) {
    if (code <= -100 && code > -200) return kCommandError;
    if (code <= -200 && code > -300) return kExecutionError;
    if (code <= -300 && code > -400) return kDeviceError;
    if (code <= -400 && code > -500) return kQueryError;
    return 0;
}

}  // namespace kteval::remote
