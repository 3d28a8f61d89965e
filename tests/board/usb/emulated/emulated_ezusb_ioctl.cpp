// The emulated board's usbfs node: what libusb asks of /dev/bus/usb/BBB/DDD.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "emulated_ezusb_internal.h"

namespace kteval::emulation {

namespace {

constexpr uint8_t kLoadRequest = 0xA0;
constexpr std::size_t kSetupSize = 8;
constexpr const char* kLoaderDriver = "usbtest";  // what Linux binds to an unprogrammed FX2

// What a current kernel reports for a USB 2.0 device.
constexpr uint32_t kCapabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                   USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                   USBDEVFS_CAP_REAP_AFTER_DISCONNECT;

// The piece of the caller's memory an ioctl argument points to; owned.
struct Resolved {
    UMockdevIoctlData* data = nullptr;
    Resolved(UMockdevIoctlData* parent, std::size_t offset, std::size_t length) {
        GError* error = nullptr;
        data = umockdev_ioctl_data_resolve(parent, offset, length, &error);
        if (error != nullptr) g_error_free(error);
    }
    ~Resolved() {
        if (data != nullptr) g_object_unref(data);
    }
    Resolved(const Resolved&) = delete;
    Resolved& operator=(const Resolved&) = delete;
    template <typename T>
    T* as() const {
        return data != nullptr && static_cast<std::size_t>(data->data_len) >= sizeof(T)
                   ? reinterpret_cast<T*>(data->data)
                   : nullptr;
    }
};

}  // namespace

bool EmulatedEzUsbBoard::handleIoctl(Appearance& a, void* clientPointer) {
    auto* client = static_cast<UMockdevIoctlClient*>(clientPointer);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const auto complete = [client](long result, int error) {
        umockdev_ioctl_client_complete(client, result, error);
        return true;
    };
    std::lock_guard lock(mutex_);

    if (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) {
        // Completed URBs are handed back even after a disconnect.
        if (a.reaps.empty()) return complete(-1, a.onBus ? EAGAIN : ENODEV);
        UMockdevIoctlData* urb = a.reaps.front();
        a.reaps.pop_front();
        Resolved variable(arg, 0, sizeof(void*));
        const bool set =
            variable.data != nullptr && umockdev_ioctl_data_set_ptr(variable.data, 0, urb);
        complete(set ? 0 : -1, set ? 0 : EFAULT);
        g_object_unref(urb);
        return true;
    }
    if (!a.onBus) return complete(-1, ENODEV);

    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            Resolved caps(arg, 0, sizeof(uint32_t));
            if (caps.as<uint32_t>() == nullptr) return complete(-1, EFAULT);
            *caps.as<uint32_t>() = kCapabilities;
            return complete(0, 0);
        }
        case USBDEVFS_GETDRIVER: {
            Resolved query(arg, 0, sizeof(usbdevfs_getdriver));
            auto* driver = query.as<usbdevfs_getdriver>();
            if (driver == nullptr) return complete(-1, EFAULT);
            if (driver->interface != 0) return complete(-1, EINVAL);
            if (a.claimedBy != nullptr) {
                std::snprintf(driver->driver, sizeof driver->driver, "usbfs");
                return complete(0, 0);
            }
            if (!a.driverBound) return complete(-1, ENODATA);
            std::snprintf(driver->driver, sizeof driver->driver, "%s", kLoaderDriver);
            return complete(0, 0);
        }
        case USBDEVFS_IOCTL: {  // driver (dis)connection, as auto-detach uses it
            Resolved command(arg, 0, sizeof(usbdevfs_ioctl));
            auto* c = command.as<usbdevfs_ioctl>();
            if (c == nullptr) return complete(-1, EFAULT);
            if (c->ifno != 0) return complete(-1, EINVAL);
            if (static_cast<unsigned long>(c->ioctl_code) == USBDEVFS_DISCONNECT) {
                if (!a.driverBound) return complete(-1, ENODATA);
                a.driverBound = false;
                return complete(0, 0);
            }
            if (static_cast<unsigned long>(c->ioctl_code) == USBDEVFS_CONNECT) {
                if (a.claimedBy != nullptr) return complete(-1, EBUSY);
                a.driverBound = a.id == kEzUsbLoaderId;
                return complete(0, 0);
            }
            return complete(-1, ENOTTY);
        }
        case USBDEVFS_DISCONNECT_CLAIM:  // libusb falls back to GETDRIVER, DISCONNECT, CLAIM
            return complete(-1, ENOTTY);
        case USBDEVFS_CLAIMINTERFACE: {
            Resolved number(arg, 0, sizeof(unsigned));
            if (number.as<unsigned>() == nullptr) return complete(-1, EFAULT);
            if (*number.as<unsigned>() != 0) return complete(-1, EINVAL);
            if (a.driverBound || (a.claimedBy != nullptr && a.claimedBy != client)) {
                return complete(-1, EBUSY);
            }
            a.claimedBy = client;
            if (leaving_ && current_ == &a) ++claimsOfLeavingDevice_;
            return complete(0, 0);
        }
        case USBDEVFS_RELEASEINTERFACE: {
            if (a.claimedBy != client) return complete(-1, EINVAL);
            a.claimedBy = nullptr;
            return complete(0, 0);
        }
        case USBDEVFS_DISCARDURB: {  // the argument is the URB's address itself
            unsigned long address = 0;
            if (static_cast<std::size_t>(arg->data_len) >= sizeof address) {
                std::memcpy(&address, arg->data, sizeof address);
            }
            const auto held = std::find_if(
                a.unanswered.begin(), a.unanswered.end(),
                [address](UMockdevIoctlData* urb) { return urb->client_addr == address; });
            if (held == a.unanswered.end()) return complete(-1, EINVAL);  // already completed
            auto* urb = reinterpret_cast<usbdevfs_urb*>((*held)->data);
            urb->status = -ENOENT;
            urb->actual_length = 0;
            a.reaps.push_back(*held);
            a.unanswered.erase(held);
            ++cancelledUrbs_;
            return complete(0, 0);
        }
        case USBDEVFS_SUBMITURB: {
            Resolved urbData(arg, 0, sizeof(usbdevfs_urb));
            auto* urb = urbData.as<usbdevfs_urb>();
            if (urb == nullptr) return complete(-1, EFAULT);
            if (urb->type != USBDEVFS_URB_TYPE_CONTROL || urb->endpoint != 0 ||
                urb->buffer_length < static_cast<int>(kSetupSize)) {
                return complete(-1, EINVAL);
            }
            Resolved buffer(urbData.data, offsetof(usbdevfs_urb, buffer),
                            static_cast<std::size_t>(urb->buffer_length));
            if (buffer.data == nullptr) return complete(-1, EFAULT);
            auto* ref = static_cast<UMockdevIoctlData*>(g_object_ref(urbData.data));
            if (hung_ && buffer.data->data[1] != kLoadRequest) {
                a.unanswered.push_back(ref);
                return complete(0, 0);
            }
            int actual = 0;
            urb->status =
                control(a, buffer.data->data, static_cast<std::size_t>(urb->buffer_length), actual);
            urb->actual_length = actual;
            a.reaps.push_back(ref);
            return complete(0, 0);
        }
        default:
            std::fprintf(stderr, "emulated board: ioctl 0x%lx not handled\n", request);
            return complete(-1, ENOTTY);
    }
}

int EmulatedEzUsbBoard::control(Appearance& a, uint8_t* setup, std::size_t bufferLength,
                                int& actualLength) {
    const uint8_t requestType = setup[0];
    const uint8_t request = setup[1];
    const uint16_t value = static_cast<uint16_t>(setup[2] | setup[3] << 8);
    const uint16_t index = static_cast<uint16_t>(setup[4] | setup[5] << 8);
    const uint16_t length = static_cast<uint16_t>(setup[6] | setup[7] << 8);
    const bool in = (requestType & 0x80) != 0;
    uint8_t* data = setup + kSetupSize;
    if (length > bufferLength - kSetupSize) return -EINVAL;
    if ((requestType & 0x60) != 0x40) return -EPIPE;  // only vendor requests are modelled

    if (request == kLoadRequest) {  // the chip's own loader, whatever runs
        const int releases = cpuReleases_;
        const int result = loaderRequest(in, value, data, length);
        if (result < 0) return result;
        if (cpuReleases_ != releases && plan_.releaseUrbStatus != 0) return plan_.releaseUrbStatus;
        actualLength = result;
        return 0;
    }
    // A device that is leaving the bus, or has no firmware, refuses the rest.
    if (!firmwareRunning_ || leaving_ || current_ != &a) return -EPIPE;
    requests_.push_back({request, value, index, in, length});
    uint8_t none = 0;
    const int16_t result = chip_.VendorIORequest(request, value, index, in ? 1 : 0, length,
                                                 length == 0 ? &none : data);
    if (result < 0) return -EPIPE;
    actualLength = in ? result : length;
    return 0;
}

int EmulatedEzUsbBoard::loaderRequest(bool in, uint16_t address, uint8_t* data, uint16_t length) {
    for (uint32_t at = address; at < uint32_t{address} + length; ++at) {
        uint8_t& byte = data[at - address];
        if (at == kCpucs) {
            if (in) {
                byte = cpuHeld_ ? 1 : 0;
            } else if ((byte & 1) != 0) {
                cpuHeld_ = true;
                firmwareRunning_ = false;
            } else if (cpuHeld_) {
                releaseCpu();
            }
        } else if (!inRam(at)) {
            return -EPIPE;  // nothing the loader may reach
        } else if (in) {
            byte = ram_[at];
        } else {
            if (!cpuHeld_) ++ramWritesWhileRunning_;
            ram_[at] = byte;
        }
    }
    return length;
}

// The firmware starts; it disconnects and comes back under its own ID.
void EmulatedEzUsbBoard::releaseCpu() {
    cpuHeld_ = false;
    firmwareRunning_ = true;
    ++cpuReleases_;
    if (!plan_.dropAfter) return;  // it runs on the loader's device
    leaving_ = true;
    const std::optional<std::chrono::milliseconds> returnAfter = plan_.returnAfter;
    const UsbId firmwareId = plan_.firmwareId;
    schedule(*plan_.dropAfter, [this, returnAfter, firmwareId] {
        disappear();
        if (!returnAfter) return;
        std::lock_guard lock(mutex_);
        schedule(*returnAfter, [this, firmwareId] { appear(firmwareId, true); });
    });
}

}  // namespace kteval::emulation
