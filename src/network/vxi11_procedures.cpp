// The core channel's procedures over the types rpcgen makes of vxi11.x (its
// header defines each procedure's name as its number).
#include <algorithm>
#include <cctype>

#include "vxi11.h"
#include "vxi11_core.h"

namespace kteval::network {

namespace {

// Device_ErrorCode values.
constexpr long kNoError = 0;
constexpr long kInvalidLink = 4;
constexpr long kChannelNotEstablished = 6;
constexpr long kNotSupported = 8;
constexpr long kOutOfResources = 9;
constexpr long kLockedByAnother = 11;
constexpr long kNoLockHeld = 12;
constexpr long kIoTimeout = 15;
constexpr long kInvalidAddress = 21;
// Device_Flags bits.
constexpr long kWaitLock = 0x01;
constexpr long kEnd = 0x08;
constexpr long kTermCharSet = 0x80;

// The one device behind the channel: "inst0" ("inst" alone as well).
bool isOurDevice(const char* name) {
    std::string lower(name == nullptr ? "" : name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "inst0" || lower == "inst";
}

}  // namespace

struct Vxi11Core::Procedures {
    Vxi11Core& core;
    int connection;
    Call& call;
    Clock::time_point now;

    std::string_view arguments() const {
        return std::string_view(call.message).substr(call.header.argumentsAt);
    }
    template <class T>
    std::string reply(bool_t (*routine)(XDR*, T*), const T& result, std::size_t bytes = 0) {
        return acceptedReply(call.header.xid, xdrRoutine(routine), &result, 64 + bytes);
    }
    std::string error(long code) { return reply(xdr_Device_Error, Device_Error{code}); }
    std::string garbage() { return refusedReply(call.header.xid, Refusal::GarbageArguments); }

    // Timeouts run from the call's first attempt.
    void start(u_long lockTimeout, u_long ioTimeout) {
        if (call.started) return;
        call.started = true;
        call.lockDeadline = now + std::chrono::milliseconds(lockTimeout);
        call.ioDeadline = now + std::chrono::milliseconds(ioTimeout);
    }
    // Whether link may act: the lock is free or its own (0), another link's
    // (its error), or the call waits for it (nullopt).
    std::optional<long> lockFor(long lid, long flags) {
        if (!core.lockHolder_ || *core.lockHolder_ == lid) return kNoError;
        if ((flags & kWaitLock) != 0 && now < call.lockDeadline) {
            call.waitsUntil = call.lockDeadline;
            return std::nullopt;
        }
        return kLockedByAnother;
    }

    // The procedures that take Device_GenericParms: action answers the error.
    template <class Action>
    std::optional<std::string> generic(Action action) {
        const Arguments<Device_GenericParms> in(arguments(), xdr_Device_GenericParms);
        if (!in.ok()) return garbage();
        start(in->lock_timeout, in->io_timeout);
        Vxi11Link* link = core.link(connection, in->lid);
        if (link == nullptr) return error(kInvalidLink);
        const std::optional<long> lock = lockFor(in->lid, in->flags);
        if (!lock) return std::nullopt;
        return error(*lock != kNoError ? *lock : action(*link));
    }

    std::optional<std::string> createLink() {
        const Arguments<Create_LinkParms> in(arguments(), xdr_Create_LinkParms);
        if (!in.ok()) return garbage();
        start(in->lock_timeout, 0);
        Create_LinkResp out{};
        out.maxRecvSize = kMaxReceive;
        const std::vector<std::string> others = core.host_.otherClients();
        const std::size_t holders = others.size() + core.links_.size();
        const std::string& peer = core.connections_[connection].peer;
        if (!isOurDevice(in->device)) {
            out.error = kInvalidAddress;
        } else if (holders >= static_cast<std::size_t>(remote::kMaxClients)) {
            std::string names;
            for (const std::string& name : others) names += (names.empty() ? "" : ", ") + name;
            for (const std::string& name : core.clientNames()) {
                names += (names.empty() ? "" : ", ") + name;
            }
            core.host_.log("refused " + peer + " (VXI-11): " + std::to_string(holders) +
                           " clients connected (" + names + ")");
            out.error = kOutOfResources;
        } else if (in->lockDevice && core.lockHolder_) {
            if (now < call.lockDeadline) {
                call.waitsUntil = call.lockDeadline;
                return std::nullopt;
            }
            out.error = kLockedByAnother;
        } else {
            out.lid = core.nextLinkId_++;
            core.links_.push_back(
                std::make_unique<Vxi11Link>(out.lid, connection, peer, core.operations_));
            if (in->lockDevice) core.lockHolder_ = out.lid;
            core.host_.log("client " + core.links_.back()->name() + " connected (" +
                           std::to_string(holders + 1) + " of " +
                           std::to_string(remote::kMaxClients) + ")");
        }
        return reply(xdr_Create_LinkResp, out);
    }

    std::optional<std::string> write() {
        const Arguments<Device_WriteParms> in(arguments(), xdr_Device_WriteParms);
        if (!in.ok()) return garbage();
        start(in->lock_timeout, in->io_timeout);
        Device_WriteResp out{};
        Vxi11Link* link = core.link(connection, in->lid);
        const std::optional<long> lock = link ? lockFor(in->lid, in->flags) : kInvalidLink;
        if (!lock) return std::nullopt;
        out.error = *lock;
        if (out.error == kNoError) {
            link->write(std::string_view(in->data.data_val, in->data.data_len),
                        (in->flags & kEnd) != 0);
            out.size = in->data.data_len;
        }
        return reply(xdr_Device_WriteResp, out);
    }

    std::optional<std::string> read() {
        const Arguments<Device_ReadParms> in(arguments(), xdr_Device_ReadParms);
        if (!in.ok()) return garbage();
        start(in->lock_timeout, in->io_timeout);
        Device_ReadResp out{};
        Vxi11Link* link = core.link(connection, in->lid);
        const std::optional<long> lock = link ? lockFor(in->lid, in->flags) : kInvalidLink;
        if (!lock) return std::nullopt;
        out.error = *lock;
        std::optional<Vxi11Link::Piece> piece;
        if (out.error == kNoError) {
            core.runNow(*link);
            const std::optional<char> termChar =
                (in->flags & kTermCharSet) != 0 ? std::optional<char>(in->termChar) : std::nullopt;
            piece = link->read(in->requestSize, termChar);
            if (piece) {
                out.reason = piece->reason;
                out.data.data_val = piece->data.data();
                out.data.data_len = static_cast<u_int>(piece->data.size());
            } else if (now < call.ioDeadline) {
                // The answer may still come: from lines that wait for the
                // operator, or from a line held in *OPC?.
                call.waitsUntil = call.ioDeadline;
                return std::nullopt;
            } else {
                out.error = kIoTimeout;
            }
        }
        return reply(xdr_Device_ReadResp, out, out.data.data_len);
    }

    std::optional<std::string> readStatusByte() {
        const Arguments<Device_GenericParms> in(arguments(), xdr_Device_GenericParms);
        if (!in.ok()) return garbage();
        start(in->lock_timeout, in->io_timeout);
        Device_ReadStbResp out{};
        Vxi11Link* link = core.link(connection, in->lid);
        const std::optional<long> lock = link ? lockFor(in->lid, in->flags) : kInvalidLink;
        if (!lock) return std::nullopt;
        out.error = *lock;
        if (out.error == kNoError) {
            core.runNow(*link);
            remote::Interpreter& interpreter = link->interpreter();
            out.stb = interpreter.status().statusByte(!interpreter.errors().empty());
        }
        return reply(xdr_Device_ReadStbResp, out);
    }

    std::optional<std::string> lock() {
        const Arguments<Device_LockParms> in(arguments(), xdr_Device_LockParms);
        if (!in.ok()) return garbage();
        start(in->lock_timeout, 0);
        if (core.link(connection, in->lid) == nullptr) return error(kInvalidLink);
        const std::optional<long> lock = lockFor(in->lid, in->flags);
        if (!lock) return std::nullopt;
        if (*lock == kNoError) core.lockHolder_ = in->lid;
        return error(*lock);
    }

    // device_unlock and destroy_link take a bare Device_Link.
    template <class Action>
    std::optional<std::string> onLink(Action action) {
        const Arguments<Device_Link> in(arguments(), xdr_Device_Link);
        if (!in.ok()) return garbage();
        Vxi11Link* link = core.link(connection, *in);
        return error(link == nullptr ? kInvalidLink : action(*link));
    }

    // Procedures that are defined but not served: their arguments are
    // checked, the answer is their defined error.
    template <class T>
    std::optional<std::string> unsupported(bool_t (*routine)(XDR*, T*)) {
        const Arguments<T> in(arguments(), routine);
        return in.ok() ? error(kNotSupported) : garbage();
    }
};

std::optional<std::string> Vxi11Core::attempt(int connection, Call& call) {
    const CallHeader& header = call.header;
    if (header.rpcVersion != 2) return refusedReply(header.xid, Refusal::RpcMismatch);
    if (header.program != kProgram) return refusedReply(header.xid, Refusal::ProgramUnavailable);
    if (header.version != kVersion) {
        return refusedReply(header.xid, Refusal::ProgramMismatch, kVersion, kVersion);
    }
    Procedures p{*this, connection, call, host_.now()};
    call.waitsUntil.reset();
    switch (header.procedure) {
        case 0:  // the null procedure: clients ping with it
            return acceptedReply(header.xid, xdrRoutine(xdr_void), nullptr, 0);
        case create_link:
            return p.createLink();
        case device_write:
            return p.write();
        case device_read:
            return p.read();
        case device_readstb:
            return p.readStatusByte();
        case device_trigger:
            return p.generic([](Vxi11Link& link) {
                link.queueLine("*TRG");
                return kNoError;
            });
        case device_clear:
            return p.generic([](Vxi11Link& link) {
                link.clear();
                return kNoError;
            });
        case device_remote:
        case device_local:
            // No front panel to lock out: accepted, nothing changes.
            return p.generic([](Vxi11Link&) { return kNoError; });
        case device_lock:
            return p.lock();
        case device_unlock:
            return p.onLink([this](Vxi11Link& link) {
                if (lockHolder_ != link.id()) return kNoLockHeld;
                lockHolder_.reset();
                return kNoError;
            });
        case destroy_link:
            return p.onLink([this](Vxi11Link& link) {
                destroy(link);
                return kNoError;
            });
        case device_enable_srq:
            return p.unsupported(xdr_Device_EnableSrqParms);
        case device_docmd: {
            const Arguments<Device_DocmdParms> in(p.arguments(), xdr_Device_DocmdParms);
            if (!in.ok()) return p.garbage();
            Device_DocmdResp out{};
            out.error = kNotSupported;
            return p.reply(xdr_Device_DocmdResp, out);
        }
        case create_intr_chan:
            return p.unsupported(xdr_Device_RemoteFunc);
        case destroy_intr_chan:
            return p.error(kChannelNotEstablished);
        default:
            return refusedReply(header.xid, Refusal::ProcedureUnavailable);
    }
}

}  // namespace kteval::network
