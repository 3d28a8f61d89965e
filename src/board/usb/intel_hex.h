#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kteval {

// A block of addresses a firmware image may fill.
struct AddressRange {
    uint32_t first = 0;
    uint32_t size = 0;
    bool contains(uint32_t address) const { return address - first < size; }
};

// The RAM an EZ-USB loader can write: program/data RAM and the scratch RAM.
inline constexpr std::array<AddressRange, 2> kLoaderRam{{{0x0000, 0x4000}, {0xE000, 0x0200}}};

// Contiguous bytes of an image, starting at address.
struct HexSegment {
    uint32_t address = 0;
    std::vector<uint8_t> bytes;
    bool operator==(const HexSegment&) const = default;
};

enum class HexErrorKind {
    BadStartCode,       // a line does not begin with ':'
    BadDigit,           // a character that is not a hexadecimal digit
    BadLength,          // line length disagrees with the byte count or record type
    BadChecksum,        // record bytes do not sum to zero
    UnknownRecordType,  // a type other than 00-05
    AddressWrap,        // a data record runs past the end of its 64 KiB window
    OutsideRam,         // a byte addressed outside the allowed ranges
    Conflict,           // the same address given two different values
    MissingEof,         // no end-of-file record (type 01)
    DataAfterEof,       // records after the end-of-file record
};

struct HexError {
    std::size_t line = 0;  // 1-based line the refusal concerns
    HexErrorKind kind = HexErrorKind::BadStartCode;
    std::string message;  // "line 7: checksum ..." for the operator
};

struct HexParseResult {
    std::vector<HexSegment> segments;  // sorted by address, adjacent bytes merged
    std::optional<HexError> error;     // set when the text was refused; segments empty then
    bool ok() const { return !error.has_value(); }
};

// Reads an Intel HEX text. Records 00 (data), 01 (end of file), 02 and 04
// (extended addresses) are used; 03 and 05 (start addresses) are checked and
// ignored. Upper and lower case digits, LF or CR LF line ends, blank lines
// and up to 255 data bytes per record are accepted. Every byte must lie in
// one of ram's ranges; an address given twice must carry the same value.
// Time is linear in the text's length and memory bounded by ram's size.
HexParseResult parseIntelHex(std::string_view text, std::span<const AddressRange> ram = kLoaderRam);

// Writes segments as Intel HEX with at most bytesPerRecord (1-255) data bytes
// per record, type 04 records where the upper 16 address bits change, and an
// end-of-file record. Lines end in LF.
std::string writeIntelHex(std::span<const HexSegment> segments, std::size_t bytesPerRecord = 16);

}  // namespace kteval
