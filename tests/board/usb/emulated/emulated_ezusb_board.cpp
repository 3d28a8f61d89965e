#include "emulated_ezusb_board.h"

#include "emulated_ezusb_internal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace kteval::emulation {

namespace {

constexpr const char* kPortSyspath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";

std::string hexBytes(const std::vector<uint8_t>& bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

// Device, configuration and interface descriptors as the sysfs
// "descriptors" attribute holds them.
std::vector<uint8_t> descriptors(UsbId id, uint8_t deviceClass, uint16_t release) {
    const auto lo = [](unsigned v) { return static_cast<uint8_t>(v & 0xFF); };
    const auto hi = [](unsigned v) { return static_cast<uint8_t>(v >> 8); };
    // clang-format off
    return {18, 1, 0x00, 0x02, deviceClass, 0, 0, 64, lo(id.vendor), hi(id.vendor),  // device
            lo(id.product), hi(id.product), lo(release), hi(release), 0, 0, 0, 1,
            9, 2, 18, 0, 1, 1, 0, 0x80, 50,                                       // configuration
            9, 4, 0, 0, 0, deviceClass, 0, 0, 0};                                 // interface
    // clang-format on
}

std::string devnodeOf(uint8_t address) {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", unsigned{EmulatedEzUsbBoard::kBus},
                  unsigned{address});
    return node;
}

// A umockdev record of a USB device; attribute values end in a newline as
// sysfs has them.
std::string record(const std::string& syspath, uint8_t address, UsbId id, uint8_t deviceClass,
                   const std::vector<uint8_t>& descriptorBytes) {
    const std::string node = devnodeOf(address).substr(std::strlen("/dev/"));
    char ids[64];
    std::snprintf(ids, sizeof ids, "A: idVendor=%04x\\n\nA: idProduct=%04x\\n\n", id.vendor,
                  id.product);
    std::string text = "P: " + syspath.substr(std::strlen("/sys")) + "\n";
    text += "N: " + node + "\n";
    text += "E: DEVNAME=/dev/" + node + "\n";
    text += "E: DEVTYPE=usb_device\nE: SUBSYSTEM=usb\n";
    text += "E: BUSNUM=00" + std::to_string(EmulatedEzUsbBoard::kBus) + "\n";
    text += "E: DEVNUM=" + node.substr(12) + "\n";
    text += "A: busnum=" + std::to_string(EmulatedEzUsbBoard::kBus) + "\\n\n";
    text += "A: devnum=" + std::to_string(address) + "\\n\n";
    text += ids;
    text += "A: bDeviceClass=" + std::string(deviceClass == 9 ? "09" : "ff") + "\\n\n";
    text += "A: speed=480\\n\nA: bConfigurationValue=1\\n\nA: bNumConfigurations=1\\n\n";
    text += "H: descriptors=" + hexBytes(descriptorBytes) + "\n";
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

}  // namespace

// The umockdev signal handler, a member so it reaches the board's internals.
struct EmulatedEzUsbBoard::Glue {
    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
        auto* appearance = static_cast<Appearance*>(data);
        return appearance->board->handleIoctl(*appearance, client) ? TRUE : FALSE;
    }
};

EmulatedEzUsbBoard::EmulatedEzUsbBoard() {
    testbed_ = umockdev_testbed_new();
    GError* error = nullptr;
    const std::string rootHub =
        record("/sys/devices/pci0000:00/0000:00:14.0/usb1", 1, UsbId{0x1D6B, 0x0002}, 9,
               descriptors(UsbId{0x1D6B, 0x0002}, 9, 0x0601));
    mustSucceed(umockdev_testbed_add_from_string(testbedOf(testbed_), rootHub.c_str(), &error),
                error);
    powerUp();
    appear(kEzUsbLoaderId, false);
    scheduler_ = std::thread([this] { runScheduler(); });
}

EmulatedEzUsbBoard::~EmulatedEzUsbBoard() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    scheduler_.join();
    std::lock_guard bus(busMutex_);
    for (const auto& a : appearances_) {
        umockdev_testbed_detach_ioctl(testbedOf(testbed_), devnodeOf(a->address).c_str(), nullptr);
    }
    g_object_unref(testbedOf(testbed_));
    for (const auto& a : appearances_) {
        for (UMockdevIoctlData* urb : a->reaps) g_object_unref(urb);
        for (UMockdevIoctlData* urb : a->unanswered) g_object_unref(urb);
        g_object_unref(a->handler);
    }
}

void EmulatedEzUsbBoard::powerUp() {
    std::mt19937 random(noiseSeed_++);
    std::uniform_int_distribution<int> byte(0, 255);
    for (uint8_t& b : ram_) b = static_cast<uint8_t>(byte(random));
    cpuHeld_ = false;
    firmwareRunning_ = false;
    leaving_ = false;
    chip_ = SimulatedBoard(chip_.part());
}

void EmulatedEzUsbBoard::appear(UsbId id, bool firmwareRunning) {
    std::lock_guard bus(busMutex_);
    auto appearance = std::make_unique<Appearance>();
    Appearance& a = *appearance;
    a.board = this;
    a.id = id;
    {
        std::lock_guard lock(mutex_);
        a.address = nextAddress_++;
    }
    a.driverBound = id == kEzUsbLoaderId;
    const std::string text = record(kPortSyspath, a.address, id, 0xFF,
                                    descriptors(id, 0xFF, firmwareRunning ? 0x0001 : 0xA001));
    // The ioctl handler is in place before the node appears: the program
    // polls the bus and may open the device the moment it is listed.
    GError* error = nullptr;
    a.handler = umockdev_ioctl_base_new();
    g_signal_connect(a.handler, "handle-ioctl", G_CALLBACK(Glue::onIoctl), &a);
    mustSucceed(umockdev_testbed_attach_ioctl(testbedOf(testbed_), devnodeOf(a.address).c_str(),
                                              a.handler, &error),
                error);
    mustSucceed(umockdev_testbed_add_from_string(testbedOf(testbed_), text.c_str(), &error), error);
    {
        std::lock_guard lock(mutex_);
        a.onBus = true;
        current_ = &a;
        firmwareRunning_ = firmwareRunning;
        leaving_ = false;
        appearances_.push_back(std::move(appearance));
    }
    umockdev_testbed_uevent(testbedOf(testbed_), kPortSyspath, "add");
    changed_.notify_all();
}

void EmulatedEzUsbBoard::disappear() {
    std::lock_guard bus(busMutex_);
    {
        std::lock_guard lock(mutex_);
        if (current_ == nullptr) return;
        current_->onBus = false;
        current_ = nullptr;
        leaving_ = false;
    }
    umockdev_testbed_uevent(testbedOf(testbed_), kPortSyspath, "remove");
    umockdev_testbed_remove_device(testbedOf(testbed_), kPortSyspath);
    changed_.notify_all();
}

void EmulatedEzUsbBoard::schedule(std::chrono::milliseconds after, std::function<void()> change) {
    changes_.push_back({std::chrono::steady_clock::now() + after, std::move(change)});
    changed_.notify_all();
}

void EmulatedEzUsbBoard::runScheduler() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (changes_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const auto due = changes_.front().at;
        if (std::chrono::steady_clock::now() < due) {
            changed_.wait_until(lock, due);
            continue;
        }
        std::function<void()> change = std::move(changes_.front().change);
        changes_.pop_front();
        lock.unlock();
        change();
        lock.lock();
    }
}

void EmulatedEzUsbBoard::setReenumeration(const EmulatedReenumeration& plan) {
    std::lock_guard lock(mutex_);
    plan_ = plan;
}

void EmulatedEzUsbBoard::unplug() {
    {
        std::lock_guard lock(mutex_);
        changes_.clear();
    }
    disappear();
}

void EmulatedEzUsbBoard::plugIn() {
    unplug();
    {
        std::lock_guard lock(mutex_);
        powerUp();
    }
    appear(kEzUsbLoaderId, false);
}

void EmulatedEzUsbBoard::plugInRunningFirmware(UsbId firmwareId) {
    unplug();
    appear(firmwareId, true);
}

void EmulatedEzUsbBoard::setHung(bool hung) {
    std::lock_guard lock(mutex_);
    hung_ = hung;
}

EmulatedPresence EmulatedEzUsbBoard::presence() const {
    std::lock_guard lock(mutex_);
    if (current_ == nullptr) return {};
    return {current_->id};
}

std::vector<uint8_t> EmulatedEzUsbBoard::ram(uint32_t address, std::size_t length) const {
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> bytes;
    for (uint32_t at = address; at < address + length; ++at)
        bytes.push_back(inRam(at) ? ram_[at] : 0);
    return bytes;
}

ChipState EmulatedEzUsbBoard::chip() const {
    std::lock_guard lock(mutex_);
    return chip_.state();
}
int EmulatedEzUsbBoard::startRequests() const {
    std::lock_guard lock(mutex_);
    return chip_.startRequests();
}

}  // namespace kteval::emulation
