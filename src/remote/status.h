#pragma once

#include <cstdint>

namespace kteval::remote {

// The IEEE 488.2 status of one client: the standard event status register
// (*ESR?), its enable mask (*ESE), and the service request enable mask (*SRE)
// that summarises the status byte (*STB?).
class StatusRegisters {
  public:
    // Standard event status register bits.
    static constexpr uint8_t kOperationComplete = 0x01;  // OPC: *OPC
    static constexpr uint8_t kQueryError = 0x04;         // QYE: -400 class
    static constexpr uint8_t kDeviceError = 0x08;        // DDE: -300 class
    static constexpr uint8_t kExecutionError = 0x10;     // EXE: -200 class
    static constexpr uint8_t kCommandError = 0x20;       // CME: -100 class
    // Status byte bits.
    static constexpr uint8_t kErrorAvailable = 0x04;  // EAV: the error queue is not empty
    static constexpr uint8_t kEventSummary = 0x20;    // ESB: ESR & ESE != 0
    static constexpr uint8_t kMasterSummary = 0x40;   // MSS: STB & SRE != 0

    // Records the event an error code stands for (its class's bit).
    void recordError(int code) { events_ |= eventBitOf(code); }
    void operationComplete() { events_ |= kOperationComplete; }
    // *ESR?: the register, cleared by reading it.
    uint8_t takeEvents();
    // *CLS.
    void clearEvents() { events_ = 0; }

    uint8_t eventEnable() const { return eventEnable_; }
    void setEventEnable(uint8_t mask) { eventEnable_ = mask; }
    uint8_t serviceEnable() const { return serviceEnable_; }
    // Bit 6 cannot be enabled: MSS is the summary of the others.
    void setServiceEnable(uint8_t mask) { serviceEnable_ = mask & ~kMasterSummary; }

    // *STB?: EAV, ESB and MSS; reading it clears nothing.
    uint8_t statusByte(bool errorQueued) const;

    // The event register bit of an error code's class (-100 ... -499), 0 for
    // any other code.
    static uint8_t eventBitOf(int code);

  private:
    uint8_t events_ = 0;
    uint8_t eventEnable_ = 0;
    uint8_t serviceEnable_ = 0;
};

}  // namespace kteval::remote
