#pragma once

#include "usb_transport.h"

struct libusb_context;

namespace kteval {

// The status of a libusb error code (LIBUSB_ERROR_*, or LIBUSB_SUCCESS).
UsbStatus statusOf(int libusbCode);

// UsbTransport over libusb-1.0 with its own context. If libusb cannot be
// started, listDevices() and open() report UsbStatus::Unavailable.
class LibusbTransport : public UsbTransport {
  public:
    LibusbTransport();
    ~LibusbTransport() override;
    LibusbTransport(const LibusbTransport&) = delete;
    LibusbTransport& operator=(const LibusbTransport&) = delete;

    bool available() const { return context_ != nullptr; }

    UsbDeviceList listDevices() override;
    UsbOpenResult open(const UsbDeviceInfo& info) override;
    void readSerial(UsbDeviceInfo& info) override;
    Clock::time_point now() override;
    void sleep(std::chrono::milliseconds duration) override;

  private:
    libusb_context* context_ = nullptr;
};

}  // namespace kteval
