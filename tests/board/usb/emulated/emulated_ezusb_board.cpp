#include "emulated_ezusb_board.h"

// clang-format off
#include <sys/ioctl.h>  // before usbdevice_fs.h, whose request numbers need _IOR
#include <linux/usbdevice_fs.h>
// clang-format on
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

namespace kteval::emulation {

namespace {

constexpr const char* kHubSyspath = "/sys/devices/pci0000:00/0000:00:14.0/usb1";
constexpr uint8_t kSerialIndex = 3;
constexpr uint8_t kLoadRequest = 0xA0;
constexpr uint32_t kCpucs = 0xE600;
constexpr std::size_t kSetupSize = 8;

bool inRam(uint32_t at) {
    return at < 0x4000 || (at >= 0xE000 && at < 0xE200);
}

std::string devnodeOf(uint8_t address) {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03u", unsigned{address});
    return node;
}

// A umockdev record of a USB device with its device, configuration and
// interface descriptors; attribute values end in a newline as sysfs has them.
std::string record(const std::string& syspath, uint8_t address, UsbId id, uint8_t deviceClass,
                   bool withSerial = false) {
    // clang-format off
    const uint8_t d[] = {18, 1, 0x00, 0x02, deviceClass, 0, 0, 64,            // device
                         uint8_t(id.vendor), uint8_t(id.vendor >> 8), uint8_t(id.product),
                         uint8_t(id.product >> 8), 0, 1, 0, 0,
                         withSerial ? kSerialIndex : uint8_t{0}, 1,
                         9, 2, 18, 0, 1, 1, 0, 0x80, 50,                      // configuration
                         9, 4, 0, 0, 0, deviceClass, 0, 0, 0};                // interface
    // clang-format on
    std::string hex;
    for (const uint8_t b : d) hex += "0123456789ABCDEF"[b >> 4], hex += "0123456789ABCDEF"[b & 15];
    const std::string node = devnodeOf(address).substr(5);
    char text[1024];
    std::snprintf(text, sizeof text,
                  "P: %s\nN: %s\nE: DEVNAME=/dev/%s\nE: DEVTYPE=usb_device\nE: SUBSYSTEM=usb\n"
                  "E: BUSNUM=001\nE: DEVNUM=%03u\nA: busnum=1\\n\nA: devnum=%u\\n\n"
                  "A: idVendor=%04x\\n\nA: idProduct=%04x\\n\nA: bDeviceClass=%02x\\n\n"
                  "A: speed=480\\n\nA: bConfigurationValue=1\\n\nA: bNumConfigurations=1\\n\n"
                  "H: descriptors=%s\n",
                  syspath.c_str() + 4, node.c_str(), node.c_str(), unsigned{address},
                  unsigned{address}, id.vendor, id.product, unsigned{deviceClass}, hex.c_str());
    return text;
}

UMockdevTestbed* testbedOf(void* p) {
    return static_cast<UMockdevTestbed*>(p);
}

void mustSucceed(gboolean ok, GError* error) {
    if (ok) return;
    std::fprintf(stderr, "emulated bus: %s\n", error->message);
    std::abort();
}

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
        return data != nullptr && std::size_t(data->data_len) >= sizeof(T)
                   ? reinterpret_cast<T*>(data->data)
                   : nullptr;
    }
};

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer appearance);

}  // namespace

struct EmulatedEzUsbBoard::Appearance {
    EmulatedEzUsbBoard* board = nullptr;
    UsbId id;
    uint8_t address = 0;
    UMockdevIoctlBase* handler = nullptr;
    bool onBus = false;
    bool driverBound = false;                  // usbtest holds interface 0 of a loader
    UMockdevIoctlClient* claimedBy = nullptr;  // the open file that claimed interface 0
    // Completed URBs waiting for the reap by the open file that submitted them.
    std::deque<std::pair<UMockdevIoctlClient*, UMockdevIoctlData*>> reaps;
};

namespace {
gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer appearance) {
    auto* a = static_cast<EmulatedEzUsbBoard::Appearance*>(appearance);
    return a->board->handleIoctl(*a, client) ? TRUE : FALSE;
}
}  // namespace

EmulatedEzUsbBoard::EmulatedEzUsbBoard(EmulatedBoardPlace place)
    : place_(std::move(place)), nextAddress_(place_.firstAddress) {
    testbed_ = umockdev_testbed_new();
    GError* error = nullptr;
    const std::string hub = record(kHubSyspath, 1, UsbId{0x1D6B, 0x0002}, 9);
    mustSucceed(umockdev_testbed_add_from_string(testbedOf(testbed_), hub.c_str(), &error), error);
    appear(kEzUsbLoaderId, false);
}

EmulatedEzUsbBoard::EmulatedEzUsbBoard(EmulatedEzUsbBoard& other, EmulatedBoardPlace place)
    : place_(std::move(place)),
      ownsTestbed_(false),
      testbed_(other.testbed_),
      bus_(other.bus_),
      nextAddress_(place_.firstAddress) {
    appear(kEzUsbLoaderId, false);
}

std::string EmulatedEzUsbBoard::syspath() const {
    return std::string(kHubSyspath) + "/1-" + std::to_string(place_.port);
}

EmulatedEzUsbBoard::~EmulatedEzUsbBoard() {
    {
        std::lock_guard lock(mutex_);
        ++plugging_;  // a held return, or one on its way, is abandoned
    }
    returnLetChanged_.notify_all();
    for (std::thread& t : reenumerations_) t.join();
    if (!ownsTestbed_) disappear();
    for (const auto& a : appearances_) {
        umockdev_testbed_detach_ioctl(testbedOf(testbed_), devnodeOf(a->address).c_str(), nullptr);
    }
    if (ownsTestbed_) g_object_unref(testbedOf(testbed_));
    for (const auto& a : appearances_) {
        for (const auto& reap : a->reaps) g_object_unref(reap.second);
        g_object_unref(a->handler);
    }
}

void EmulatedEzUsbBoard::appear(UsbId id, bool firmwareRunning) {
    std::lock_guard bus(*bus_);
    auto appearance = std::make_unique<Appearance>();
    Appearance& a = *appearance;
    a.board = this;
    a.id = id;
    a.driverBound = id == kEzUsbLoaderId;
    {
        std::lock_guard lock(mutex_);
        a.address = nextAddress_++;
    }
    // The handler is in place before the node appears: the program polls the
    // bus and may open the device the moment it is listed.
    GError* error = nullptr;
    a.handler = umockdev_ioctl_base_new();
    g_signal_connect(a.handler, "handle-ioctl", G_CALLBACK(onIoctl), &a);
    mustSucceed(umockdev_testbed_attach_ioctl(testbedOf(testbed_), devnodeOf(a.address).c_str(),
                                              a.handler, &error),
                error);
    const std::string text =
        record(syspath(), a.address, id, 0xFF, firmwareRunning && !place_.serial.empty());
    mustSucceed(umockdev_testbed_add_from_string(testbedOf(testbed_), text.c_str(), &error), error);
    {
        std::lock_guard lock(mutex_);
        a.onBus = true;
        current_ = &a;
        firmwareRunning_ = firmwareRunning;
        leaving_ = false;
        appearances_.push_back(std::move(appearance));
    }
    umockdev_testbed_uevent(testbedOf(testbed_), syspath().c_str(), "add");
}

void EmulatedEzUsbBoard::disappear() {
    std::lock_guard bus(*bus_);
    {
        std::lock_guard lock(mutex_);
        if (current_ == nullptr) return;
        current_->onBus = false;
        current_ = nullptr;
        leaving_ = false;
    }
    umockdev_testbed_uevent(testbedOf(testbed_), syspath().c_str(), "remove");
    umockdev_testbed_remove_device(testbedOf(testbed_), syspath().c_str());
}

void EmulatedEzUsbBoard::unplug() {
    {
        std::lock_guard lock(mutex_);
        ++plugging_;
    }
    returnLetChanged_.notify_all();
    disappear();
}

void EmulatedEzUsbBoard::plugIn() {
    unplug();
    {
        std::lock_guard lock(mutex_);
        std::fill(ram_.begin(), ram_.end(), 0);
        cpuHeld_ = false;
        chip_ = SimulatedBoard(chip_.part());
    }
    appear(kEzUsbLoaderId, false);
}

void EmulatedEzUsbBoard::plugInRunningFirmware() {
    unplug();
    appear(kFirmwareId, true);
}

void EmulatedEzUsbBoard::letReturn() {
    {
        std::lock_guard lock(mutex_);
        returnLet_ = true;
    }
    returnLetChanged_.notify_all();
}

EmulatedPresence EmulatedEzUsbBoard::presence() const {
    return locked([this] { return EmulatedPresence{current_ ? current_->id : UsbId{}}; });
}

// What libusb asks of /dev/bus/usb/001/NNN.
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
        const auto mine = std::find_if(a.reaps.begin(), a.reaps.end(),
                                       [client](const auto& reap) { return reap.first == client; });
        if (mine == a.reaps.end()) return complete(-1, a.onBus ? EAGAIN : ENODEV);
        UMockdevIoctlData* urb = mine->second;
        a.reaps.erase(mine);
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
            *caps.as<uint32_t>() = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                   USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                   USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
            return complete(0, 0);
        }
        case USBDEVFS_GETDRIVER: {
            Resolved query(arg, 0, sizeof(usbdevfs_getdriver));
            auto* driver = query.as<usbdevfs_getdriver>();
            if (driver == nullptr) return complete(-1, EFAULT);
            if (!a.driverBound && a.claimedBy == nullptr) return complete(-1, ENODATA);
            std::snprintf(driver->driver, sizeof driver->driver, "%s",
                          a.claimedBy != nullptr ? "usbfs" : "usbtest");
            return complete(0, 0);
        }
        case USBDEVFS_IOCTL: {  // driver (dis)connection, as auto-detach uses it
            Resolved command(arg, 0, sizeof(usbdevfs_ioctl));
            auto* c = command.as<usbdevfs_ioctl>();
            if (c == nullptr) return complete(-1, EFAULT);
            const auto code = static_cast<unsigned long>(c->ioctl_code);
            if (code == USBDEVFS_DISCONNECT) {
                if (!a.driverBound) return complete(-1, ENODATA);
                a.driverBound = false;
                return complete(0, 0);
            }
            if (code != USBDEVFS_CONNECT) return complete(-1, ENOTTY);
            a.driverBound = a.id == kEzUsbLoaderId;
            return complete(0, 0);
        }
        case USBDEVFS_CLAIMINTERFACE:
            if (a.driverBound || (a.claimedBy != nullptr && a.claimedBy != client)) {
                return complete(-1, EBUSY);
            }
            a.claimedBy = client;
            return complete(0, 0);
        case USBDEVFS_RELEASEINTERFACE:
            if (a.claimedBy != client) return complete(-1, EINVAL);
            a.claimedBy = nullptr;
            return complete(0, 0);
        case USBDEVFS_SUBMITURB: {
            Resolved urbData(arg, 0, sizeof(usbdevfs_urb));
            auto* urb = urbData.as<usbdevfs_urb>();
            if (urb == nullptr || urb->type != USBDEVFS_URB_TYPE_CONTROL ||
                urb->buffer_length < static_cast<int>(kSetupSize)) {
                return complete(-1, EINVAL);
            }
            Resolved buffer(urbData.data, offsetof(usbdevfs_urb, buffer),
                            static_cast<std::size_t>(urb->buffer_length));
            if (buffer.data == nullptr) return complete(-1, EFAULT);
            int actual = 0;
            urb->status =
                control(a, buffer.data->data, static_cast<std::size_t>(urb->buffer_length), actual);
            urb->actual_length = actual;
            a.reaps.emplace_back(client,
                                 static_cast<UMockdevIoctlData*>(g_object_ref(urbData.data)));
            return complete(0, 0);
        }
        default:  // DISCONNECT_CLAIM among them: libusb then detaches and claims step by step
            return complete(-1, ENOTTY);
    }
}

// Answers one control URB whose buffer (setup packet, then data) is at setup;
// returns the URB status (0 or a negative errno).
int EmulatedEzUsbBoard::control(Appearance& a, uint8_t* setup, std::size_t bufferLength,
                                int& actualLength) {
    const bool in = (setup[0] & 0x80) != 0;
    const uint16_t value = static_cast<uint16_t>(setup[2] | setup[3] << 8);
    const uint16_t index = static_cast<uint16_t>(setup[4] | setup[5] << 8);
    const uint16_t length = static_cast<uint16_t>(setup[6] | setup[7] << 8);
    uint8_t* data = setup + kSetupSize;
    if (length > bufferLength - kSetupSize) return -EINVAL;
    if (setup[0] == 0x80 && setup[1] == 6 && (value >> 8) == 3) {  // GET_DESCRIPTOR, a string
        const int n = stringDescriptor(value, data, length);
        if (n < 0) return n;
        actualLength = n;
        return 0;
    }
    if ((setup[0] & 0x60) != 0x40) return -EPIPE;  // only vendor requests are modelled
    actualLength = length;

    if (setup[1] == kLoadRequest) {  // the chip's own loader, whatever runs
        for (uint32_t at = value; at < uint32_t{value} + length; ++at) {
            uint8_t& byte = data[at - value];
            if (at == kCpucs && in) {
                byte = cpuHeld_ ? 1 : 0;
            } else if (at == kCpucs) {
                if ((byte & 1) != 0)
                    cpuHeld_ = true, firmwareRunning_ = false;
                else if (cpuHeld_)
                    releaseCpu();
            } else if (!inRam(at)) {
                return -EPIPE;
            } else if (in) {
                byte = ram_[at];
            } else {
                ram_[at] = byte;
            }
        }
        return 0;
    }
    // A device that is leaving the bus, or has no firmware, refuses the rest.
    if (!firmwareRunning_ || leaving_ || current_ != &a) return -EPIPE;
    uint8_t none = 0;
    const int16_t result = chip_.VendorIORequest(setup[1], value, index, in ? 1 : 0, length,
                                                 length == 0 ? &none : data);
    if (result < 0) return -EPIPE;
    if (in) actualLength = result;
    return 0;
}

// The firmware's strings: the language list (index 0), then its serial number.
int EmulatedEzUsbBoard::stringDescriptor(uint16_t value, uint8_t* data, uint16_t length) {
    std::vector<uint8_t> descriptor;
    if (!firmwareRunning_ || place_.serial.empty()) return -EPIPE;
    if ((value & 0xFF) == 0) {
        descriptor = {4, 3, 0x09, 0x04};
    } else if ((value & 0xFF) == kSerialIndex) {
        descriptor = {static_cast<uint8_t>(2 + 2 * place_.serial.size()), 3};
        for (const char c : place_.serial) descriptor.insert(descriptor.end(), {uint8_t(c), 0});
    } else {
        return -EPIPE;
    }
    const std::size_t n = std::min<std::size_t>(length, descriptor.size());
    std::copy_n(descriptor.begin(), n, data);
    return static_cast<int>(n);
}

// The firmware starts: the board leaves the bus and comes back under its own ID.
void EmulatedEzUsbBoard::releaseCpu() {
    using namespace std::chrono_literals;
    cpuHeld_ = false;
    firmwareRunning_ = true;
    leaving_ = true;
    ++cpuReleases_;
    const unsigned plugging = plugging_;
    const auto stillPlugged = [this, plugging] {
        std::lock_guard lock(mutex_);
        return plugging_ == plugging;
    };
    const auto mayReturn = [this, plugging] {
        std::unique_lock lock(mutex_);
        returnLetChanged_.wait(lock, [this, plugging] {
            return !place_.holdReturn || returnLet_ || plugging_ != plugging;
        });
        return plugging_ == plugging;
    };
    reenumerations_.emplace_back([this, stillPlugged, mayReturn] {
        std::this_thread::sleep_for(100ms);
        if (!stillPlugged()) return;
        disappear();
        std::this_thread::sleep_for(200ms);
        if (mayReturn()) appear(kFirmwareId, true);
    });
}

}  // namespace kteval::emulation
