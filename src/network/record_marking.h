#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kteval::network {

// ONC RPC over TCP sends each message as a record: one or more fragments, each
// behind a 4-byte header (big-endian length, top bit set on the last one).
class RecordReader {
  public:
    // Records longer than maxRecord are refused: the stream is not for us, or
    // would hold unbounded memory.
    explicit RecordReader(std::size_t maxRecord) : maxRecord_(maxRecord) {}

    // Takes the next bytes of the stream; false once a record was too long.
    bool append(std::string_view bytes);
    // The next complete record, in arrival order. A record found too long
    // (its fragment's header tells, before the fragment is there) ends the
    // stream: the connection is to be closed.
    std::optional<std::string> next();
    bool failed() const { return failed_; }

  private:
    std::size_t maxRecord_;
    std::string stream_;     // bytes not yet taken into a record
    std::size_t start_ = 0;  // stream_[start_..] is unread
    std::string record_;     // fragments of the record being assembled
    bool failed_ = false;
};

// The record of one message, sent as a single fragment.
std::string frameRecord(std::string_view message);

}  // namespace kteval::network
