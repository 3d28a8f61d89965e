#include "fake_usb_transport.h"

#include <algorithm>

namespace kteval {

namespace {

constexpr uint8_t kLoadRequest = 0xA0;
constexpr uint32_t kCpucs = 0xE600;

bool isVendor(uint8_t requestType) {
    return (requestType & 0x60) == 0x40;
}
bool isIn(uint8_t requestType) {
    return (requestType & 0x80) != 0;
}

class FakeDevice : public UsbDevice {
  public:
    FakeDevice(FakeUsbTransport& transport, FakeEzUsbBoard& board)
        : transport_(transport), board_(board), epoch_(board.epoch()) {}

    UsbStatus claimInterface0() override { return board_.claim(epoch_); }

    UsbTransferResult control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                              std::span<uint8_t> data, std::chrono::milliseconds timeout) override {
        FakeTransfer transfer;
        transfer.requestType = requestType;
        transfer.request = request;
        transfer.value = value;
        transfer.index = index;
        transfer.length = data.size();
        transfer.timeout = timeout;
        return transport_.control(board_, epoch_, std::move(transfer), data);
    }

  private:
    FakeUsbTransport& transport_;
    FakeEzUsbBoard& board_;
    unsigned epoch_;
};

}  // namespace

FakeEzUsbBoard::FakeEzUsbBoard(FakeBusState& bus, UsbDeviceInfo info)
    : bus_(bus), info_(std::move(info)), loaderId_(info_.id) {}

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
    info_.address = bus_.nextAddress++;
    cpuHeld_ = false;
    firmwareRunning_ = false;
    mainRam_.fill(0);
    scratchRam_.fill(0);
}

uint8_t* FakeEzUsbBoard::cell(uint32_t address) {
    if (address < mainRam_.size()) return &mainRam_[address];
    if (address >= 0xE000 && address - 0xE000 < scratchRam_.size()) {
        return &scratchRam_[address - 0xE000];
    }
    return nullptr;
}

void FakeEzUsbBoard::update() {
    if (dropAt_ && bus_.now >= *dropAt_) {
        dropAt_.reset();
        present_ = false;
        ++epoch_;
    }
    if (present_ || !returnAt_ || bus_.now < *returnAt_) return;
    present_ = true;
    returnAt_.reset();
    info_.address = bus_.nextAddress++;
    if (reenumeration.newId) info_.id = *reenumeration.newId;
    firmwareRunning_ = true;
}

UsbStatus FakeEzUsbBoard::admitOpen() {
    int& denials = firmwareRunning_ ? deniedFirmwareOpens : deniedOpens;
    if (denials > 0) {
        --denials;
        return UsbStatus::AccessDenied;
    }
    return UsbStatus::Ok;
}

UsbStatus FakeEzUsbBoard::claim(unsigned epoch) {
    update();
    if (!present_ || epoch != epoch_) return UsbStatus::NoDevice;
    if (busyClaims > 0) {
        --busyClaims;
        return UsbStatus::Busy;
    }
    return UsbStatus::Ok;
}

UsbTransferResult FakeEzUsbBoard::control(unsigned epoch, FakeTransfer& transfer,
                                          std::span<uint8_t> data) {
    update();
    if (!present_ || epoch != epoch_) return {UsbStatus::NoDevice, 0};
    if (!transferFaults.empty()) {
        const UsbStatus fault = transferFaults.front();
        transferFaults.pop_front();
        if (fault == UsbStatus::Timeout) bus_.now += transfer.timeout;
        return {fault, 0};
    }
    if (!isVendor(transfer.requestType)) return {UsbStatus::Stall, 0};
    if (transfer.request == kLoadRequest) return loaderRequest(transfer, data);
    if (firmwareRunning_) return firmwareRequest(transfer, data);
    return {UsbStatus::Stall, 0};
}

UsbTransferResult FakeEzUsbBoard::loaderRequest(FakeTransfer& transfer, std::span<uint8_t> data) {
    const uint32_t address = static_cast<uint32_t>(transfer.index) << 16 | transfer.value;
    const bool in = isIn(transfer.requestType);
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
            if (releaseFault) {
                const UsbStatus fault = *releaseFault;
                releaseFault.reset();
                return {fault, 0};
            }
        }
        return {UsbStatus::Ok, 1};
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (cell(address + static_cast<uint32_t>(i)) == nullptr) return {UsbStatus::Stall, 0};
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        const uint32_t at = address + static_cast<uint32_t>(i);
        if (in) {
            data[i] = static_cast<uint8_t>(*cell(at) ^ (corruptAddress == at ? 0xFF : 0x00));
        } else {
            *cell(at) = data[i];
        }
    }
    if (!in && !cpuHeld_ && !data.empty()) ++writesWhileRunning_;
    return {UsbStatus::Ok, data.size()};
}

UsbTransferResult FakeEzUsbBoard::firmwareRequest(const FakeTransfer& transfer,
                                                  std::span<uint8_t> data) {
    firmwareRequests_.push_back(transfer);
    if (!isIn(transfer.requestType)) return {UsbStatus::Ok, data.size()};
    const std::size_t n = std::min(data.size(), replyLimit.value_or(data.size()));
    for (std::size_t i = 0; i < n; ++i) data[i] = reply.empty() ? 0 : reply[i % reply.size()];
    return {UsbStatus::Ok, n};
}

void FakeEzUsbBoard::release() {
    switch (reenumeration.kind) {
        case FakeReenumeration::Kind::Stay:
            firmwareRunning_ = true;
            break;
        case FakeReenumeration::Kind::NewAddress:
            if (reenumeration.dropAfter.count() > 0) {
                dropAt_ = bus_.now + reenumeration.dropAfter;
            } else {
                unplug();
            }
            returnAt_ = bus_.now + reenumeration.delay;
            break;
    }
}

FakeEzUsbBoard& FakeUsbTransport::addBoard(UsbDeviceInfo info) {
    boards_.push_back(std::make_unique<FakeEzUsbBoard>(bus_, std::move(info)));
    return *boards_.back();
}

FakeEzUsbBoard& FakeUsbTransport::addLoader(std::vector<uint8_t> portPath) {
    return addBoard({kEzUsbLoaderId, 1, std::move(portPath), bus_.nextAddress++});
}

std::chrono::milliseconds FakeUsbTransport::elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(bus_.now - Clock::time_point{});
}

UsbDeviceList FakeUsbTransport::listDevices() {
    ++listCalls_;
    UsbDeviceList list;
    if (unavailable) {
        list.status = UsbStatus::Unavailable;
        return list;
    }
    for (auto& board : boards_) {
        board->update();
        if (board->present()) list.devices.push_back(board->info());
    }
    return list;
}

UsbOpenResult FakeUsbTransport::open(const UsbDeviceInfo& info) {
    ++openCalls_;
    if (unavailable) return {UsbStatus::Unavailable, nullptr};
    for (auto& board : boards_) {
        board->update();
        if (!board->present() || board->info().bus != info.bus ||
            board->info().address != info.address) {
            continue;
        }
        const UsbStatus status = board->admitOpen();
        if (status != UsbStatus::Ok) return {status, nullptr};
        return {UsbStatus::Ok, std::make_unique<FakeDevice>(*this, *board)};
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
