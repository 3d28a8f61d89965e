#include "libusb_transport.h"

#include <libusb.h>

#include <array>
#include <limits>
#include <thread>

namespace kteval {

UsbStatus statusOf(int code) {
    switch (code) {
        case LIBUSB_SUCCESS:
            return UsbStatus::Ok;
        case LIBUSB_ERROR_ACCESS:
            return UsbStatus::AccessDenied;
        case LIBUSB_ERROR_BUSY:
            return UsbStatus::Busy;
        case LIBUSB_ERROR_NO_DEVICE:
            return UsbStatus::NoDevice;
        case LIBUSB_ERROR_NOT_FOUND:
            return UsbStatus::NotFound;
        case LIBUSB_ERROR_TIMEOUT:
            return UsbStatus::Timeout;
        case LIBUSB_ERROR_PIPE:
            return UsbStatus::Stall;
        case LIBUSB_ERROR_OVERFLOW:
            return UsbStatus::Overflow;
        default:
            return UsbStatus::Io;
    }
}

namespace {

UsbDeviceInfo infoOf(libusb_device* device, const libusb_device_descriptor& descriptor) {
    UsbDeviceInfo info;
    info.id = {descriptor.idVendor, descriptor.idProduct};
    info.bus = libusb_get_bus_number(device);
    info.address = libusb_get_device_address(device);
    std::array<uint8_t, 8> ports{};
    const int depth = libusb_get_port_numbers(device, ports.data(), static_cast<int>(ports.size()));
    if (depth > 0) info.portPath.assign(ports.begin(), ports.begin() + depth);
    return info;
}

class LibusbDevice : public UsbDevice {
  public:
    explicit LibusbDevice(libusb_device_handle* handle) : handle_(handle) {}
    ~LibusbDevice() override {
        if (claimed_) libusb_release_interface(handle_, 0);
        libusb_close(handle_);
    }
    LibusbDevice(const LibusbDevice&) = delete;
    LibusbDevice& operator=(const LibusbDevice&) = delete;

    UsbStatus claimInterface0() override {
        // Auto-detach hands the interface back to the kernel driver on release.
        if (libusb_set_auto_detach_kernel_driver(handle_, 1) != LIBUSB_SUCCESS &&
            libusb_kernel_driver_active(handle_, 0) == 1) {
            const int detached = libusb_detach_kernel_driver(handle_, 0);
            if (detached != LIBUSB_SUCCESS && detached != LIBUSB_ERROR_NOT_FOUND) {
                return statusOf(detached);
            }
        }
        const int claimed = libusb_claim_interface(handle_, 0);
        claimed_ = claimed == LIBUSB_SUCCESS;
        return statusOf(claimed);
    }

    UsbTransferResult control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                              std::span<uint8_t> data, std::chrono::milliseconds timeout) override {
        if (data.size() > std::numeric_limits<uint16_t>::max()) return {UsbStatus::Overflow, 0};
        const int moved = libusb_control_transfer(
            handle_, requestType, request, value, index, data.empty() ? nullptr : data.data(),
            static_cast<uint16_t>(data.size()), static_cast<unsigned>(timeout.count()));
        if (moved < 0) return {statusOf(moved), 0};
        return {UsbStatus::Ok, static_cast<std::size_t>(moved)};
    }

  private:
    libusb_device_handle* handle_;
    bool claimed_ = false;
};

}  // namespace

LibusbTransport::LibusbTransport() {
    if (libusb_init(&context_) != LIBUSB_SUCCESS) context_ = nullptr;
}

LibusbTransport::~LibusbTransport() {
    if (context_ != nullptr) libusb_exit(context_);
}

UsbDeviceList LibusbTransport::listDevices() {
    UsbDeviceList list;
    if (context_ == nullptr) {
        list.status = UsbStatus::Unavailable;
        return list;
    }
    libusb_device** devices = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &devices);
    if (count < 0) {
        list.status = statusOf(static_cast<int>(count));
        return list;
    }
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(devices[i], &descriptor) == LIBUSB_SUCCESS) {
            list.devices.push_back(infoOf(devices[i], descriptor));
        }
    }
    libusb_free_device_list(devices, 1);
    return list;
}

UsbOpenResult LibusbTransport::open(const UsbDeviceInfo& info) {
    if (context_ == nullptr) return {UsbStatus::Unavailable, nullptr};
    libusb_device** devices = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &devices);
    if (count < 0) return {statusOf(static_cast<int>(count)), nullptr};
    UsbOpenResult result{UsbStatus::NoDevice, nullptr};
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device* device = devices[i];
        if (libusb_get_bus_number(device) != info.bus ||
            libusb_get_device_address(device) != info.address) {
            continue;
        }
        libusb_device_handle* handle = nullptr;
        const int opened = libusb_open(device, &handle);
        result.status = statusOf(opened);
        if (opened == LIBUSB_SUCCESS) result.device = std::make_unique<LibusbDevice>(handle);
        break;
    }
    libusb_free_device_list(devices, 1);
    return result;
}

void LibusbTransport::readSerial(UsbDeviceInfo& info) {
    if (context_ == nullptr) return;
    libusb_device** devices = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &devices);
    if (count < 0) return;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device* device = devices[i];
        libusb_device_descriptor descriptor{};
        if (libusb_get_bus_number(device) != info.bus ||
            libusb_get_device_address(device) != info.address ||
            libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS ||
            descriptor.iSerialNumber == 0) {
            continue;
        }
        // Opening does not claim: a board another program holds still answers.
        libusb_device_handle* handle = nullptr;
        if (libusb_open(device, &handle) != LIBUSB_SUCCESS) break;
        std::array<unsigned char, 128> text{};
        const int length = libusb_get_string_descriptor_ascii(
            handle, descriptor.iSerialNumber, text.data(), static_cast<int>(text.size()));
        if (length > 0) info.serial.assign(text.begin(), text.begin() + length);
        libusb_close(handle);
        break;
    }
    libusb_free_device_list(devices, 1);
}

UsbTransport::Clock::time_point LibusbTransport::now() {
    return Clock::now();
}

void LibusbTransport::sleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace kteval
