#pragma once

// A VXI-11 client's side of the wire, written out word by word from the
// ONC RPC and VXI-11 definitions, to check the core's encoding independently.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kteval::network::test {

// XDR: big-endian 32-bit words, opaque data padded to a word.
struct Xdr {
    std::string bytes;
    Xdr& word(uint32_t w) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(char(w >> shift & 0xFF));
        return *this;
    }
    Xdr& opaque(std::string_view data) {
        word(uint32_t(data.size()));
        bytes.append(data);
        bytes.append((4 - data.size() % 4) % 4, '\0');
        return *this;
    }
};

struct CallTo {
    uint32_t program = 0x0607AF;
    uint32_t version = 1;
    uint32_t rpcVersion = 2;
};

// One call message with AUTH_NONE credentials and verifier.
inline std::string callMessage(uint32_t xid, uint32_t procedure, const Xdr& arguments,
                               CallTo to = {}) {
    Xdr call;
    call.word(xid).word(0).word(to.rpcVersion).word(to.program).word(to.version).word(procedure);
    call.word(0).word(0).word(0).word(0);
    return call.bytes + arguments.bytes;
}

// A record of fragments, the last one marked.
inline std::string record(const std::vector<std::string_view>& fragments) {
    std::string out;
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        const uint32_t header =
            uint32_t(fragments[i].size()) | (i + 1 == fragments.size() ? 0x80000000u : 0);
        out += Xdr().word(header).bytes;
        out.append(fragments[i]);
    }
    return out;
}

// Reads a reply: its header, then the result's words.
struct Reply {
    std::string bytes;
    std::size_t at = 0;
    uint32_t word() {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w = w << 8 | uint8_t(bytes.at(at++));
        return w;
    }
    std::string opaque() {
        const uint32_t length = word();
        std::string data = bytes.substr(at, length);
        at += (length + 3) / 4 * 4;
        return data;
    }
    bool done() const { return at == bytes.size(); }
};

}  // namespace kteval::network::test
