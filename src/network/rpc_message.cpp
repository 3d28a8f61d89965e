#include "rpc_message.h"

#include <array>
#include <vector>

namespace kteval::network {

namespace {

constexpr uint32_t kRpcVersion = 2;
// The header of any reply: xid, direction, status and a verifier.
constexpr std::size_t kReplyHeaderBytes = 64;

uint32_t wordAt(std::string_view message, std::size_t at) {
    const auto* w = reinterpret_cast<const unsigned char*>(message.data() + at);
    return uint32_t(w[0]) << 24 | uint32_t(w[1]) << 16 | uint32_t(w[2]) << 8 | uint32_t(w[3]);
}

std::string encode(rpc_msg& reply, std::size_t bytes) {
    std::vector<char> buffer(bytes);
    XDR xdr;
    xdrmem_create(&xdr, buffer.data(), static_cast<u_int>(buffer.size()), XDR_ENCODE);
    const bool ok = xdr_replymsg(&xdr, &reply) != 0;
    const u_int length = xdr_getpos(&xdr);
    xdr_destroy(&xdr);
    return ok ? std::string(buffer.data(), length) : std::string();
}

rpc_msg replyTo(uint32_t xid) {
    rpc_msg reply{};
    reply.rm_xid = xid;
    reply.rm_direction = REPLY;
    reply.rm_reply.rp_stat = MSG_ACCEPTED;
    reply.rm_reply.rp_acpt.ar_verf = _null_auth;
    return reply;
}

}  // namespace

std::optional<CallHeader> decodeCall(std::string_view message) {
    // The library's decoder refuses a call of another RPC version outright;
    // such a call still gets its RPC_MISMATCH answer.
    if (message.size() >= 12 && wordAt(message, 4) == CALL && wordAt(message, 8) != kRpcVersion) {
        return CallHeader{wordAt(message, 0), wordAt(message, 8), 0, 0, 0, message.size()};
    }
    // Credentials and verifier land in these buffers rather than in memory
    // the decoder would allocate.
    std::array<char, MAX_AUTH_BYTES> credentials{};
    std::array<char, MAX_AUTH_BYTES> verifier{};
    rpc_msg call{};
    call.rm_call.cb_cred.oa_base = credentials.data();
    call.rm_call.cb_verf.oa_base = verifier.data();
    XDR xdr;
    xdrmem_create(&xdr, const_cast<char*>(message.data()), static_cast<u_int>(message.size()),
                  XDR_DECODE);
    const bool ok = xdr_callmsg(&xdr, &call) != 0;
    const u_int at = xdr_getpos(&xdr);
    xdr_destroy(&xdr);
    if (!ok || call.rm_direction != CALL) return std::nullopt;
    return CallHeader{call.rm_xid,          call.rm_call.cb_rpcvers, call.rm_call.cb_prog,
                      call.rm_call.cb_vers, call.rm_call.cb_proc,    at};
}

std::string acceptedReply(uint32_t xid, xdrproc_t routine, const void* result,
                          std::size_t resultBytes) {
    rpc_msg reply = replyTo(xid);
    reply.rm_reply.rp_acpt.ar_stat = SUCCESS;
    reply.rm_reply.rp_acpt.ar_results.where = static_cast<caddr_t>(const_cast<void*>(result));
    reply.rm_reply.rp_acpt.ar_results.proc = routine;
    return encode(reply, kReplyHeaderBytes + resultBytes);
}

std::string refusedReply(uint32_t xid, Refusal why, uint32_t lowest, uint32_t highest) {
    rpc_msg reply = replyTo(xid);
    accepted_reply& accepted = reply.rm_reply.rp_acpt;
    switch (why) {
        case Refusal::ProgramUnavailable:
            accepted.ar_stat = PROG_UNAVAIL;
            break;
        case Refusal::ProgramMismatch:
            accepted.ar_stat = PROG_MISMATCH;
            accepted.ar_vers.low = lowest;
            accepted.ar_vers.high = highest;
            break;
        case Refusal::ProcedureUnavailable:
            accepted.ar_stat = PROC_UNAVAIL;
            break;
        case Refusal::GarbageArguments:
            accepted.ar_stat = GARBAGE_ARGS;
            break;
        case Refusal::RpcMismatch:
            reply.rm_reply.rp_stat = MSG_DENIED;
            reply.rm_reply.rp_rjct.rj_stat = RPC_MISMATCH;
            reply.rm_reply.rp_rjct.rj_vers.low = kRpcVersion;
            reply.rm_reply.rp_rjct.rj_vers.high = kRpcVersion;
            break;
    }
    return encode(reply, kReplyHeaderBytes);
}

}  // namespace kteval::network
