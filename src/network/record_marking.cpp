#include "record_marking.h"

#include <cstdint>

namespace kteval::network {

namespace {

constexpr std::size_t kHeader = 4;
constexpr uint32_t kLastFragment = 0x80000000u;

uint32_t headerAt(const std::string& stream, std::size_t at) {
    const auto* h = reinterpret_cast<const unsigned char*>(stream.data() + at);
    return uint32_t(h[0]) << 24 | uint32_t(h[1]) << 16 | uint32_t(h[2]) << 8 | uint32_t(h[3]);
}

}  // namespace

bool RecordReader::append(std::string_view bytes) {
    if (failed_) return false;
    // Consumed bytes are dropped only now, so that next() stays cheap.
    stream_.erase(0, start_);
    start_ = 0;
    stream_.append(bytes);
    return !failed_;
}

std::optional<std::string> RecordReader::next() {
    while (!failed_ && stream_.size() - start_ >= kHeader) {
        const uint32_t header = headerAt(stream_, start_);
        const std::size_t length = header & ~kLastFragment;
        if (record_.size() + length > maxRecord_) {
            failed_ = true;
            return std::nullopt;
        }
        if (stream_.size() - start_ - kHeader < length) return std::nullopt;
        record_.append(stream_, start_ + kHeader, length);
        start_ += kHeader + length;
        if ((header & kLastFragment) != 0) {
            std::string record = std::move(record_);
            record_.clear();
            return record;
        }
    }
    return std::nullopt;
}

std::string frameRecord(std::string_view message) {
    const auto length = static_cast<uint32_t>(message.size()) | kLastFragment;
    std::string record{char(length >> 24), char(length >> 16 & 0xFF), char(length >> 8 & 0xFF),
                       char(length & 0xFF)};
    record.append(message);
    return record;
}

}  // namespace kteval::network
