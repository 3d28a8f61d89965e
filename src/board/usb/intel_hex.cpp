#include "intel_hex.h"

#include <algorithm>
#include <array>
#include <string>

#include "hex_digits.h"

namespace kteval {

namespace {

constexpr std::size_t kMaxRecordBytes = 255;
constexpr uint32_t kWindow = 0x10000;

std::string address(uint32_t value) {
    return "0x" + hexDigits(value, 4);
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string rangesText(std::span<const AddressRange> ram) {
    std::string text;
    for (const AddressRange& r : ram) {
        if (!text.empty()) text += ", ";
        text += address(r.first) + "-" + address(r.first + r.size - 1);
    }
    return text;
}

// The bytes of one allowed range and, per byte, the line that set it (0: unset).
struct RangeImage {
    AddressRange range;
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> lineOf;
};

class Parser {
  public:
    explicit Parser(std::span<const AddressRange> ram) : ram_(ram) {
        for (const AddressRange& r : ram) images_.push_back({r, {}, {}});
    }

    HexParseResult run(std::string_view text) {
        std::size_t pos = 0;
        while (pos < text.size() && !error_) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            ++line_;
            line(text.substr(pos, end - pos));
            pos = end + 1;
        }
        if (!error_ && !sawEof_) {
            fail(line_ + 1, HexErrorKind::MissingEof,
                 "the file ends without an end-of-file record (:00000001FF)");
        }
        HexParseResult result;
        if (error_) {
            result.error = std::move(error_);
        } else {
            result.segments = segments();
        }
        return result;
    }

  private:
    void fail(std::size_t line, HexErrorKind kind, const std::string& what) {
        error_ = HexError{line, kind, "line " + std::to_string(line) + ": " + what};
    }
    void fail(HexErrorKind kind, const std::string& what) { fail(line_, kind, what); }

    void line(std::string_view text) {
        while (!text.empty() &&
               (text.back() == '\r' || text.back() == ' ' || text.back() == '\t')) {
            text.remove_suffix(1);
        }
        if (text.empty()) return;
        if (sawEof_) return fail(HexErrorKind::DataAfterEof, "text after the end-of-file record");
        if (text.front() != ':') {
            return fail(HexErrorKind::BadStartCode, "a record must begin with ':'");
        }
        text.remove_prefix(1);
        if (text.size() < 10 || text.size() % 2 != 0 || text.size() > 10 + 2 * kMaxRecordBytes) {
            return fail(HexErrorKind::BadLength, "a record of " + std::to_string(text.size() + 1) +
                                                     " characters is not possible");
        }
        std::array<uint8_t, kMaxRecordBytes + 5> bytes{};
        const std::size_t count = text.size() / 2;
        for (std::size_t i = 0; i < count; ++i) {
            const int high = digitValue(text[2 * i]);
            const int low = digitValue(text[2 * i + 1]);
            if (high < 0 || low < 0) {
                const std::size_t column = 2 * i + (high < 0 ? 2 : 3);
                return fail(HexErrorKind::BadDigit,
                            "character " + std::to_string(column) + " is not a hexadecimal digit");
            }
            bytes[i] = static_cast<uint8_t>(high * 16 + low);
        }
        const std::size_t dataLength = bytes[0];
        if (count != dataLength + 5) {
            return fail(HexErrorKind::BadLength,
                        "the record announces " + std::to_string(dataLength) +
                            " data bytes but holds " + std::to_string(count >= 5 ? count - 5 : 0));
        }
        uint8_t sum = 0;
        for (std::size_t i = 0; i < count; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
        if (sum != 0) {
            const uint8_t expected = static_cast<uint8_t>(bytes[count - 1] - sum);
            return fail(HexErrorKind::BadChecksum, "checksum is 0x" +
                                                       hexDigits(bytes[count - 1], 2) +
                                                       ", expected 0x" + hexDigits(expected, 2));
        }
        const uint32_t offset = static_cast<uint32_t>(bytes[1] << 8 | bytes[2]);
        record(bytes[3], offset, std::span<const uint8_t>(bytes.data() + 4, dataLength));
    }

    bool expectLength(std::span<const uint8_t> data, std::size_t wanted, const char* name) {
        if (data.size() == wanted) return true;
        fail(HexErrorKind::BadLength, std::string("a ") + name + " record holds " +
                                          std::to_string(wanted) + " data bytes, not " +
                                          std::to_string(data.size()));
        return false;
    }

    void record(uint8_t type, uint32_t offset, std::span<const uint8_t> data) {
        switch (type) {
            case 0x00:
                return dataRecord(offset, data);
            case 0x01:
                if (expectLength(data, 0, "end-of-file")) sawEof_ = true;
                return;
            case 0x02:
                if (expectLength(data, 2, "segment address")) {
                    base_ = static_cast<uint32_t>(data[0] << 8 | data[1]) << 4;
                }
                return;
            case 0x04:
                if (expectLength(data, 2, "linear address")) {
                    base_ = static_cast<uint32_t>(data[0] << 8 | data[1]) << 16;
                }
                return;
            case 0x03:
                expectLength(data, 4, "start segment address");
                return;
            case 0x05:
                expectLength(data, 4, "start linear address");
                return;
            default:
                return fail(HexErrorKind::UnknownRecordType,
                            "record type 0x" + hexDigits(type, 2) + " is not Intel HEX");
        }
    }

    void dataRecord(uint32_t offset, std::span<const uint8_t> data) {
        if (data.empty()) return;
        if (offset + data.size() > kWindow) {
            return fail(HexErrorKind::AddressWrap,
                        "the record runs past the end of its 64 KiB address window");
        }
        const uint32_t first = base_ + offset;
        for (std::size_t i = 0; i < data.size(); ++i) {
            const uint32_t at = first + static_cast<uint32_t>(i);
            RangeImage* image = imageFor(at);
            if (image == nullptr) {
                return fail(HexErrorKind::OutsideRam,
                            "data at " + address(first) + "-" +
                                address(first + static_cast<uint32_t>(data.size()) - 1) +
                                " lies outside the loader's RAM (" + rangesText(ram_) + ")");
            }
            if (image->lineOf.empty()) {  // storage only for ranges that are used
                image->bytes.resize(image->range.size);
                image->lineOf.resize(image->range.size);
            }
            const uint32_t index = at - image->range.first;
            if (image->lineOf[index] != 0 && image->bytes[index] != data[i]) {
                return fail(HexErrorKind::Conflict,
                            "the byte at " + address(at) + " is 0x" + hexDigits(data[i], 2) +
                                " here but 0x" + hexDigits(image->bytes[index], 2) + " on line " +
                                std::to_string(image->lineOf[index]));
            }
            image->bytes[index] = data[i];
            if (image->lineOf[index] == 0) image->lineOf[index] = static_cast<uint32_t>(line_);
        }
    }

    RangeImage* imageFor(uint32_t at) {
        for (RangeImage& image : images_) {
            if (image.range.contains(at)) return &image;
        }
        return nullptr;
    }

    std::vector<HexSegment> segments() const {
        std::vector<HexSegment> out;
        for (const RangeImage& image : images_) {
            bool open = false;
            for (uint32_t i = 0; i < image.lineOf.size(); ++i) {
                if (image.lineOf[i] == 0) {
                    open = false;
                    continue;
                }
                if (!open) out.push_back({image.range.first + i, {}});
                out.back().bytes.push_back(image.bytes[i]);
                open = true;
            }
        }
        std::sort(out.begin(), out.end(),
                  [](const HexSegment& a, const HexSegment& b) { return a.address < b.address; });
        return out;
    }

    std::span<const AddressRange> ram_;
    std::vector<RangeImage> images_;
    std::optional<HexError> error_;
    std::size_t line_ = 0;
    uint32_t base_ = 0;
    bool sawEof_ = false;
};

void appendRecord(std::string& out, uint8_t type, uint16_t offset, std::span<const uint8_t> data) {
    uint8_t sum = static_cast<uint8_t>(data.size() + (offset >> 8) + (offset & 0xFF) + type);
    out += ':' + hexDigits(static_cast<uint32_t>(data.size()), 2) + hexDigits(offset, 4) +
           hexDigits(type, 2);
    for (uint8_t b : data) {
        out += hexDigits(b, 2);
        sum = static_cast<uint8_t>(sum + b);
    }
    out += hexDigits(static_cast<uint8_t>(-sum & 0xFF), 2) + '\n';
}

}  // namespace

HexParseResult parseIntelHex(std::string_view text, std::span<const AddressRange> ram) {
    return Parser(ram).run(text);
}

std::string writeIntelHex(std::span<const HexSegment> segments, std::size_t bytesPerRecord) {
    bytesPerRecord = std::clamp<std::size_t>(bytesPerRecord, 1, kMaxRecordBytes);
    std::string out;
    uint32_t upper = 0;
    for (const HexSegment& segment : segments) {
        std::size_t done = 0;
        while (done < segment.bytes.size()) {
            const uint32_t at = segment.address + static_cast<uint32_t>(done);
            if (at >> 16 != upper) {
                upper = at >> 16;
                const std::array<uint8_t, 2> base{static_cast<uint8_t>(upper >> 8),
                                                  static_cast<uint8_t>(upper & 0xFF)};
                appendRecord(out, 0x04, 0, base);
            }
            const std::size_t room = kWindow - (at & 0xFFFF);
            const std::size_t n = std::min({bytesPerRecord, segment.bytes.size() - done, room});
            appendRecord(out, 0x00, static_cast<uint16_t>(at & 0xFFFF),
                         std::span<const uint8_t>(segment.bytes.data() + done, n));
            done += n;
        }
    }
    appendRecord(out, 0x01, 0, {});
    return out;
}

}  // namespace kteval
