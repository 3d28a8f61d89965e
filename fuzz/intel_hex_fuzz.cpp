// Properties of the Intel HEX reader on arbitrary input: a refusal names a
// line (1-based) and starts its message with it; an accepted file yields
// non-empty, sorted, separate segments wholly inside one range of the
// loader's RAM; writing them out with any record size and reading that gives
// the same segments.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "intel_hex.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kteval;
    const HexParseResult parsed =
        parseIntelHex(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed.ok()) {
        const std::string prefix = "line " + std::to_string(parsed.error->line) + ": ";
        check(parsed.error->line >= 1 && parsed.error->message.starts_with(prefix));
        check(parsed.segments.empty());
        return 0;
    }
    for (std::size_t i = 0; i < parsed.segments.size(); ++i) {
        const HexSegment& s = parsed.segments[i];
        bool inside = false;
        for (const AddressRange& range : kLoaderRam) {
            inside = inside || (range.contains(s.address) &&
                                s.address - range.first + s.bytes.size() <= range.size);
        }
        check(!s.bytes.empty() && inside);
        const HexSegment* before = i > 0 ? &parsed.segments[i - 1] : nullptr;
        check(before == nullptr || before->address + before->bytes.size() < s.address);
    }
    const HexParseResult again =
        parseIntelHex(writeIntelHex(parsed.segments, size == 0 ? 16 : 1 + data[0] % 255));
    check(again.ok() && again.segments == parsed.segments);
    return 0;
}
