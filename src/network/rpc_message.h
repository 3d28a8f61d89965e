#pragma once

#include <rpc/rpc.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kteval::network {

// The header of an ONC RPC call (RFC 5531) and where its arguments begin.
struct CallHeader {
    uint32_t xid = 0;
    uint32_t rpcVersion = 0;
    uint32_t program = 0;
    uint32_t version = 0;
    uint32_t procedure = 0;
    std::size_t argumentsAt = 0;  // offset of the arguments in the message
};

// nullopt when the message is no call (a reply, or cut short): such a
// message is dropped without an answer, as the RPC library's servers do.
std::optional<CallHeader> decodeCall(std::string_view message);

// An XDR routine as the library takes it (its type is variadic, the routines'
// are not): cast through void (*)(), the type any function pointer may pass as.
template <class Function>
xdrproc_t xdrRoutine(Function* routine) {
    return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(routine));
}

// Decodes arguments with an rpcgen routine; what it allocated is freed with
// the object.
template <class T>
class Arguments {
  public:
    using Routine = bool_t (*)(XDR*, T*);
    Arguments(std::string_view bytes, Routine routine) : routine_(routine) {
        XDR xdr;
        xdrmem_create(&xdr, const_cast<char*>(bytes.data()), static_cast<u_int>(bytes.size()),
                      XDR_DECODE);
        ok_ = routine_(&xdr, &value_) != 0;
        xdr_destroy(&xdr);
    }
    ~Arguments() { xdr_free(xdrRoutine(routine_), &value_); }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    bool ok() const { return ok_; }
    const T& operator*() const { return value_; }
    const T* operator->() const { return &value_; }

  private:
    Routine routine_;
    T value_{};
    bool ok_ = false;
};

// A successful reply carrying result, encoded by routine (at most
// resultBytes long).
std::string acceptedReply(uint32_t xid, xdrproc_t routine, const void* result,
                          std::size_t resultBytes);

// The replies that carry no result: the program, version or procedure is not
// served, the arguments cannot be decoded, or the RPC version is not 2.
enum class Refusal {
    ProgramUnavailable,
    ProgramMismatch,
    ProcedureUnavailable,
    GarbageArguments,
    RpcMismatch
};
// For ProgramMismatch, lowest and highest are the versions served.
std::string refusedReply(uint32_t xid, Refusal why, uint32_t lowest = 0, uint32_t highest = 0);

}  // namespace kteval::network
