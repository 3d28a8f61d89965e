#include "fake_usb_transport.h"

#include <algorithm>
#include <utility>

namespace kteval {

namespace {

constexpr uint8_t kLoadRequest = 0xA0;
constexpr uint32_t kCpucs = 0xE600;

bool isIn(uint8_t requestType) {
    return (requestType & 0x80) != 0;
}
bool inRam(uint32_t address) {
    return address < 0x4000 || (address >= 0xE000 && address < 0xE200);
}

class FakeDevice : public UsbDevice {
  public:
    FakeDevice(FakeUsbTransport& bus, FakeEzUsbBoard& board)
        : bus_(bus), board_(board), epoch_(board.epoch()) {}
    UsbStatus claimInterface0() override { return board_.claim(epoch_); }
    UsbTransferResult control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                              std::span<uint8_t> data, std::chrono::milliseconds timeout) override {
        return bus_.control(board_, epoch_,
                            {requestType, request, value, index, data.size(), timeout, {}}, data);
    }

  private:
    FakeUsbTransport& bus_;
    FakeEzUsbBoard& board_;
    unsigned epoch_;
};

}  // namespace

void FakeEzUsbBoard::unplug() {
    present_ = false;
    ++epoch_;
    dropAt_.reset();
    returnAt_.reset();
}

void FakeEzUsbBoard::plugIn() {
    unplug();
    present_ = true;
    info_.id = loaderId_;
    info_.serial.clear();
    info_.address = bus_.nextAddress++;
    cpuHeld_ = firmwareRunning_ = false;
    std::fill(ram_.begin(), ram_.end(), 0);
}

void FakeEzUsbBoard::update() {
    if (dropAt_ && bus_.clock >= *dropAt_) {
        dropAt_.reset();
        present_ = false;
        ++epoch_;
    }
    if (present_ || !returnAt_ || bus_.clock < *returnAt_) return;
    present_ = true;
    returnAt_.reset();
    info_.address = bus_.nextAddress++;
    if (reenumeration.newId) info_.id = *reenumeration.newId;
    info_.serial = reenumeration.serial;
    firmwareRunning_ = true;
}

UsbStatus FakeEzUsbBoard::admitOpen() {
    int& denials = firmwareRunning_ ? deniedFirmwareOpens : deniedOpens;
    return denials > 0 && denials-- > 0 ? UsbStatus::AccessDenied : UsbStatus::Ok;
}

UsbStatus FakeEzUsbBoard::claim(unsigned epoch) {
    update();
    if (!present_ || epoch != epoch_) return UsbStatus::NoDevice;
    return busyClaims > 0 && busyClaims-- > 0 ? UsbStatus::Busy : UsbStatus::Ok;
}

UsbTransferResult FakeEzUsbBoard::control(unsigned epoch, const FakeTransfer& t,
                                          std::span<uint8_t> data) {
    update();
    if (!present_ || epoch != epoch_) return {UsbStatus::NoDevice, 0};
    if (!transferFaults.empty()) {
        const UsbStatus fault = transferFaults.front();
        transferFaults.pop_front();
        if (fault == UsbStatus::Timeout) bus_.clock += t.timeout;
        return {fault, 0};
    }
    if ((t.requestType & 0x60) != 0x40) return {UsbStatus::Stall, 0};  // not a vendor request
    if (t.request == kLoadRequest) return loaderRequest(t, data);
    if (!firmwareRunning_) return {UsbStatus::Stall, 0};
    firmwareRequests_.push_back(t);
    if (!isIn(t.requestType)) return {UsbStatus::Ok, data.size()};
    const std::size_t n = std::min(data.size(), replyLimit.value_or(data.size()));
    for (std::size_t i = 0; i < n; ++i) data[i] = reply[i % reply.size()];
    return {UsbStatus::Ok, n};
}

UsbTransferResult FakeEzUsbBoard::loaderRequest(const FakeTransfer& t, std::span<uint8_t> data) {
    const uint32_t address = static_cast<uint32_t>(t.index) << 16 | t.value;
    const bool in = isIn(t.requestType);
    if (address == kCpucs) {
        if (data.size() != 1) return {UsbStatus::Stall, 0};
        if (in) {
            data[0] = cpuHeld_ ? 1 : 0;
        } else if ((data[0] & 1) != 0) {
            cpuHeld_ = true;
            firmwareRunning_ = false;
        } else if (cpuHeld_) {
            cpuHeld_ = false;
            release();
            if (const std::optional<UsbStatus> fault = std::exchange(releaseFault, {})) {
                return {*fault, 0};
            }
        }
        return {UsbStatus::Ok, 1};
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (!inRam(address + static_cast<uint32_t>(i))) return {UsbStatus::Stall, 0};
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        const uint32_t at = address + static_cast<uint32_t>(i);
        if (in) {
            data[i] = static_cast<uint8_t>(ram_[at] ^ (corruptAddress == at ? 0xFF : 0x00));
        } else {
            ram_[at] = data[i];
        }
    }
    if (!in && !cpuHeld_ && !data.empty()) ++writesWhileRunning_;
    return {UsbStatus::Ok, data.size()};
}

void FakeEzUsbBoard::release() {
    if (reenumeration.kind == FakeReenumeration::Kind::Stay) {
        firmwareRunning_ = true;
        return;
    }
    if (reenumeration.dropAfter.count() > 0) {
        dropAt_ = bus_.clock + reenumeration.dropAfter;
    } else {
        unplug();
    }
    returnAt_ = bus_.clock + reenumeration.delay;
}

FakeEzUsbBoard& FakeUsbTransport::addBoard(UsbDeviceInfo info) {
    return *boards_.emplace_back(std::make_unique<FakeEzUsbBoard>(*this, std::move(info)));
}

FakeEzUsbBoard& FakeUsbTransport::addLoader(std::vector<uint8_t> portPath) {
    return addBoard({kEzUsbLoaderId, 1, std::move(portPath), nextAddress++});
}

UsbDeviceList FakeUsbTransport::listDevices() {
    ++listCalls_;
    UsbDeviceList list;
    if (unavailable) list.status = UsbStatus::Unavailable;
    for (auto& board : boards_) {
        board->update();
        if (board->present() && !unavailable) {
            list.devices.push_back(board->info());
            list.devices.back().serial.clear();
        }
    }
    return list;
}

void FakeUsbTransport::readSerial(UsbDeviceInfo& info) {
    for (auto& board : boards_) {
        board->update();
        if (board->present() && board->info().bus == info.bus &&
            board->info().address == info.address && !board->info().serial.empty()) {
            info.serial = board->info().serial;
        }
    }
}

UsbOpenResult FakeUsbTransport::open(const UsbDeviceInfo& info) {
    ++openCalls_;
    if (unavailable) return {UsbStatus::Unavailable, nullptr};
    for (auto& board : boards_) {
        board->update();
        if (board->present() && board->info().bus == info.bus &&
            board->info().address == info.address) {
            const UsbStatus status = board->admitOpen();
            if (status != UsbStatus::Ok) return {status, nullptr};
            return {UsbStatus::Ok, std::make_unique<FakeDevice>(*this, *board)};
        }
    }
    return {UsbStatus::NoDevice, nullptr};
}

UsbTransferResult FakeUsbTransport::control(FakeEzUsbBoard& board, unsigned epoch,
                                            FakeTransfer transfer, std::span<uint8_t> data) {
    if (!isIn(transfer.requestType)) transfer.outData.assign(data.begin(), data.end());
    const UsbTransferResult result = board.control(epoch, transfer, data);
    transfers_.push_back(std::move(transfer));
    return result;
}

}  // namespace kteval
