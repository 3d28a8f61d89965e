// Properties of the Intel HEX reader on arbitrary input:
//  - a refusal names a line (1-based) and starts its message with it;
//  - an accepted file yields non-empty, sorted, merged segments that lie
//    wholly inside one range of the loader's RAM;
//  - writing the accepted segments out again, with any record size, and
//    reading that gives the same segments.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "intel_hex.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool insideOneRange(const kteval::HexSegment& segment) {
    for (const kteval::AddressRange& range : kteval::kLoaderRam) {
        if (range.contains(segment.address) &&
            segment.address - range.first + segment.bytes.size() <= range.size) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kteval::HexParseResult parsed = kteval::parseIntelHex(text);
    if (!parsed.ok()) {
        check(parsed.error->line >= 1);
        check(
            parsed.error->message.starts_with("line " + std::to_string(parsed.error->line) + ": "));
        check(parsed.segments.empty());
        return 0;
    }
    for (std::size_t i = 0; i < parsed.segments.size(); ++i) {
        const kteval::HexSegment& segment = parsed.segments[i];
        check(!segment.bytes.empty());
        check(insideOneRange(segment));
        if (i > 0) {
            const kteval::HexSegment& before = parsed.segments[i - 1];
            check(before.address + before.bytes.size() < segment.address);
        }
    }
    const std::size_t recordSize = size == 0 ? 16 : 1 + data[0] % 255;
    const kteval::HexParseResult again =
        kteval::parseIntelHex(kteval::writeIntelHex(parsed.segments, recordSize));
    check(again.ok());
    check(again.segments == parsed.segments);
    return 0;
}
