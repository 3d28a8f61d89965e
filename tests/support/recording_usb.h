#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "request_codes.h"
#include "usb_functions.h"

namespace kteval {

// A vendor request's arguments as the library was called with them.
struct Request {
    int16_t request;
    int32_t value;
    int32_t index;
    int16_t direction;
    int16_t length;
    bool operator==(const Request&) const = default;
};

// Records every call at the USBFunctions seam, with its buffer and result, and
// hands it on to inner (a simulated or real board). Without inner, loads answer
// loadResult and requests requestResult; reads fill the buffer from readBytes.
class RecordingUsb : public USBFunctions {
  public:
    explicit RecordingUsb(USBFunctions* inner = nullptr) : inner_(inner) {}

    std::vector<std::string> loads;
    std::vector<int16_t> loadResults;  // one per entry of loads
    std::vector<Request> requests;
    std::vector<int16_t> requestResults;  // one per entry of requests

    int16_t loadResult = 0;
    int16_t requestResult = 0;
    std::vector<uint8_t> readBytes;

    int16_t LoadFirmWare(const uint8_t* path) override {
        loads.emplace_back(reinterpret_cast<const char*>(path));
        loadResults.push_back(inner_ != nullptr ? inner_->LoadFirmWare(path) : loadResult);
        return loadResults.back();
    }
    int16_t VendorIORequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t* buffer) override {
        requests.push_back({request, value, index, direction, length});
        if (inner_ == nullptr && direction == request::DirectionIn) {
            std::copy_n(readBytes.begin(), std::min<std::size_t>(readBytes.size(), length), buffer);
        }
        requestResults.push_back(
            inner_ != nullptr
                ? inner_->VendorIORequest(request, value, index, direction, length, buffer)
                : requestResult);
        return requestResults.back();
    }

    // The 24-bit words written (word transfers out), in order.
    std::vector<int32_t> words() const {
        std::vector<int32_t> result;
        for (const Request& r : requests) {
            if (r.request == request::WordTransfer && r.direction == request::DirectionOut) {
                result.push_back(r.index << 16 | r.value);
            }
        }
        return result;
    }
    void clear() {
        loads.clear();
        loadResults.clear();
        requests.clear();
        requestResults.clear();
    }

  private:
    USBFunctions* inner_;
};

}  // namespace kteval
