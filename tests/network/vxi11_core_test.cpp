// The VXI-11 core channel over a recording of the window's operations, with a
// fake clock: records on the wire, links, reads and their timeouts, locks,
// and the RPC layer's refusals.
#include <gtest/gtest.h>

#include <map>

#include "interpreter.h"
#include "record_marking.h"
#include "recording_operations.h"
#include "vxi11_core.h"
#include "vxi11_wire.h"

namespace kteval::network {
namespace {

using test::CallTo;
using test::Reply;
using test::Xdr;
using namespace std::chrono_literals;

// Procedures and Device_ErrorCode values of the VXI-11 definition.
enum : uint32_t { kCreateLink = 10, kWrite = 11, kRead = 12, kReadStb = 13, kClear = 15 };
enum : uint32_t { kLock = 18, kUnlock = 19, kDestroyLink = 23 };
constexpr uint32_t kEndFlag = 0x08, kWaitLock = 0x01;
constexpr uint32_t kReasonRequestCount = 1, kReasonEnd = 4;

// The core with its host's side recorded.
struct Channel {
    remote::RecordingOperations ops{"KT4421"};
    Vxi11Core::Clock::time_point now{};
    bool operatorBusy = false;
    std::vector<std::string> others;  // the socket's clients
    std::vector<std::string> log;
    std::map<int, std::string> sent;
    Vxi11Core core{
        ops,
        {[this](int id, std::string_view record) { sent[id].append(record); },
         [this] { return operatorBusy; }, [this] { return others; },
         [this](const std::string& line) { log.push_back(line); }, [this] { return now; }}};
    uint32_t xid = 100;

    // Sends a call, serves, and returns its reply's result (empty: none yet).
    Reply call(int connection, uint32_t procedure, const Xdr& arguments, CallTo to = {}) {
        if (!sent.count(connection))
            core.open(connection, "10.0.0." + std::to_string(connection) + ":700");
        const std::string message = test::callMessage(++xid, procedure, arguments, to);
        EXPECT_TRUE(core.receive(connection, test::record({message})));
        return served(connection);
    }
    // Serves, then takes the one reply sent on connection, if any.
    Reply served(int connection) {
        core.serve();
        RecordReader records(1 << 20);
        records.append(sent[connection]);
        sent[connection].clear();
        std::optional<std::string> message = records.next();
        if (!message) return {};
        EXPECT_FALSE(records.next()) << "one reply per call";
        return Reply{*message};
    }
    // The result of an accepted reply, past its header.
    static Reply result(Reply reply, uint32_t acceptStatus = 0) {
        reply.word();                 // xid
        EXPECT_EQ(reply.word(), 1u);  // REPLY
        EXPECT_EQ(reply.word(), 0u);  // MSG_ACCEPTED
        reply.word();                 // verifier flavour
        reply.opaque();               // verifier body
        EXPECT_EQ(reply.word(), acceptStatus);
        return reply;
    }

    uint32_t createLink(int connection, bool lock = false) {
        Reply r =
            result(call(connection, kCreateLink, Xdr().word(7).word(lock).word(0).opaque("inst0")));
        EXPECT_EQ(r.word(), 0u);
        return r.word();
    }
    uint32_t write(int connection, uint32_t lid, std::string_view data, uint32_t flags = kEndFlag) {
        Reply r = result(
            call(connection, kWrite, Xdr().word(lid).word(1000).word(0).word(flags).opaque(data)));
        const uint32_t error = r.word();
        EXPECT_EQ(r.word(), error == 0 ? data.size() : 0u);
        return error;
    }
    Reply read(int connection, uint32_t lid, uint32_t requestSize = 1000,
               uint32_t ioTimeout = 1000) {
        return call(connection, kRead,
                    Xdr().word(lid).word(requestSize).word(ioTimeout).word(0).word(0).word(0));
    }
    // An answered call's Device_Error.
    uint32_t error(Reply reply) { return result(std::move(reply)).word(); }
};

// The answer a socket client's interpreter gives the same line.
std::string answerOf(std::string_view line) {
    remote::RecordingOperations ops("KT4421");
    return remote::Interpreter(ops).executeLine(line).value_or("") + "\n";
}

TEST(RecordMarking, RecordsSurviveAnySplitOfTheStream) {
    const std::string first = "first message, in two fragments";
    const std::string second(300, 'x');
    const std::string stream =
        test::record({std::string_view(first).substr(0, 9), std::string_view(first).substr(9)}) +
        test::record({second});
    for (std::size_t chunk : {1u, 3u, 5u, 4096u}) {
        RecordReader reader(1024);
        std::vector<std::string> records;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            ASSERT_TRUE(reader.append(stream.substr(at, chunk)));
            while (std::optional<std::string> r = reader.next()) records.push_back(*r);
        }
        EXPECT_EQ(records, (std::vector<std::string>{first, second})) << "chunks of " << chunk;
    }
    RecordReader small(100);
    small.append(test::record({std::string(60, 'a'), std::string(60, 'b')}).substr(0, 72));
    EXPECT_FALSE(small.next());
    EXPECT_TRUE(small.failed()) << "a record beyond the limit is told by its headers";
}

TEST(Vxi11Core, WriteThenReadRoundTrip) {
    Channel c;
    const uint32_t lid = c.createLink(1);
    EXPECT_EQ(c.log.back(), "client 10.0.0.1:700 (VXI-11 link 1) connected (1 of 8)");
    // Data without END waits; LF or END ends a line.
    EXPECT_EQ(c.write(1, lid, "DAC5:X1A 1000\nDAC5:X1", 0), 0u);
    EXPECT_EQ(c.write(1, lid, "A?"), 0u);
    EXPECT_EQ(c.ops.calls, std::vector<std::string>{"write 5 X1A 1000"});
    Reply r = Channel::result(c.read(1, lid));
    EXPECT_EQ(r.word(), 0u);
    EXPECT_EQ(r.word(), kReasonEnd);
    EXPECT_EQ(r.opaque(), "1000\n");
    EXPECT_TRUE(r.done());
}

TEST(Vxi11Core, SmallReadsReturnTheAnswerInPiecesUntilItsEnd) {
    Channel c;
    const uint32_t lid = c.createLink(1);
    c.write(1, lid, "*IDN?\n");
    std::string answer;
    for (uint32_t reason = kReasonRequestCount; reason == kReasonRequestCount;) {
        Reply r = Channel::result(c.read(1, lid, 7));
        EXPECT_EQ(r.word(), 0u);
        reason = r.word();
        const std::string piece = r.opaque();
        EXPECT_LE(piece.size(), 7u);
        answer += piece;
    }
    EXPECT_EQ(answer, answerOf("*IDN?"));
}

TEST(Vxi11Core, ReadWaitsForItsAnswerUntilItsTimeout) {
    Channel c;
    const uint32_t lid = c.createLink(1);
    // Nothing to answer: I/O timeout when io_timeout has passed, not before.
    EXPECT_TRUE(c.read(1, lid, 100, 500).bytes.empty());
    EXPECT_EQ(c.core.nextDeadline(), c.now + 500ms);
    c.now += 499ms;
    EXPECT_TRUE(c.served(1).bytes.empty());
    c.now += 1ms;
    Reply timedOut = Channel::result(c.served(1));
    EXPECT_EQ(timedOut.word(), 15u);
    EXPECT_EQ(timedOut.word(), 0u);
    EXPECT_EQ(timedOut.opaque(), "");
    // While the operator's box is open the line waits, and the read with it.
    c.operatorBusy = true;
    c.write(1, lid, "*IDN?");
    EXPECT_TRUE(c.read(1, lid).bytes.empty());
    EXPECT_TRUE(c.core.linesWaiting());
    c.operatorBusy = false;
    Reply answered = Channel::result(c.served(1));
    EXPECT_EQ(answered.word(), 0u);
    EXPECT_EQ(answered.word(), kReasonEnd);
    EXPECT_EQ(answered.opaque(), answerOf("*IDN?"));
}

TEST(Vxi11Core, StatusByteAndDeviceClearAreTheLinksOwn) {
    Channel c;
    const uint32_t a = c.createLink(1), b = c.createLink(1);
    c.write(1, a, "FOO\n*IDN?\n");
    const Xdr generic = Xdr().word(a).word(0).word(0).word(0);
    const auto statusByte = [&](uint32_t lid) {
        Reply r = Channel::result(c.call(1, kReadStb, Xdr().word(lid).word(0).word(0).word(0)));
        EXPECT_EQ(r.word(), 0u);
        return r.word();
    };
    EXPECT_EQ(statusByte(a), 4u) << "an error is queued (EAV)";
    EXPECT_EQ(statusByte(b), 0u);
    EXPECT_EQ(c.error(c.call(1, kClear, generic)), 0u);
    Reply r = Channel::result(c.read(1, a, 100, 0));
    EXPECT_EQ(r.word(), 15u) << "the unread answer went with the clear";
    EXPECT_EQ(statusByte(a), 4u) << "the error queue stays";
}

TEST(Vxi11Core, OneLinkHoldsTheLock) {
    Channel c;
    const uint32_t a = c.createLink(1), b = c.createLink(2);
    const auto lock = [&](int connection, uint32_t lid, uint32_t flags, uint32_t timeout) {
        return c.call(connection, kLock, Xdr().word(lid).word(flags).word(timeout));
    };
    EXPECT_EQ(c.error(lock(1, a, 0, 0)), 0u);
    EXPECT_EQ(c.write(2, b, "*CLS"), 11u) << "locked by another link";
    EXPECT_EQ(c.error(lock(2, b, 0, 0)), 11u);
    // With waitlock: granted when the holder lets go within lock_timeout...
    EXPECT_TRUE(lock(2, b, kWaitLock, 1000).bytes.empty());
    c.now += 900ms;
    EXPECT_EQ(c.error(c.call(1, kUnlock, Xdr().word(a))), 0u);
    EXPECT_EQ(c.error(c.served(2)), 0u);
    // ... refused when it does not.
    EXPECT_TRUE(lock(1, a, kWaitLock, 200).bytes.empty());
    c.now += 200ms;
    EXPECT_EQ(c.error(c.served(1)), 11u);
    EXPECT_EQ(c.error(c.call(1, kUnlock, Xdr().word(a))), 12u) << "no lock held by this link";
    // A closed connection gives up its links and their lock.
    c.core.close(2);
    EXPECT_EQ(c.log.back(), "client 10.0.0.2:700 (VXI-11 link 2) disconnected");
    EXPECT_EQ(c.error(lock(1, a, 0, 0)), 0u);
    EXPECT_EQ(c.error(c.call(1, kDestroyLink, Xdr().word(b))), 4u) << "b is gone";
}

TEST(Vxi11Core, LinksShareTheClientsLimit) {
    Channel c;
    c.others.assign(remote::kMaxClients - 1, "127.0.0.1:5000");
    c.createLink(1);
    Reply refused =
        Channel::result(c.call(1, kCreateLink, Xdr().word(7).word(0).word(0).opaque("inst0")));
    EXPECT_EQ(refused.word(), 9u) << "out of resources";
    EXPECT_EQ(c.log.back().rfind("refused 10.0.0.1:700 (VXI-11): 8 clients connected", 0), 0u);
    Reply unknown =
        Channel::result(c.call(1, kCreateLink, Xdr().word(7).word(0).word(0).opaque("gpib0,5")));
    EXPECT_EQ(unknown.word(), 21u) << "invalid address";
}

TEST(Vxi11Core, CallsItDoesNotServeGetTheRpcRefusals) {
    struct Row {
        CallTo to;
        uint32_t procedure;
        Xdr arguments;
        std::vector<uint32_t> header;  // reply_stat, then accept or reject status and versions
    };
    const std::vector<Row> rows{
        {{0x123456, 1, 2}, kCreateLink, Xdr(), {0, 0, 0, 1}},        // PROG_UNAVAIL
        {{0x0607AF, 2, 2}, kCreateLink, Xdr(), {0, 0, 0, 2, 1, 1}},  // PROG_MISMATCH 1..1
        {{}, 99, Xdr(), {0, 0, 0, 3}},                               // PROC_UNAVAIL
        {{}, kWrite, Xdr().word(1), {0, 0, 0, 4}},                   // GARBAGE_ARGS
        {{0x0607AF, 1, 3}, kCreateLink, Xdr(), {1, 0, 2, 2}},        // RPC_MISMATCH 2..2
    };
    for (const Row& row : rows) {
        Channel c;
        Reply r = c.call(1, row.procedure, row.arguments, row.to);
        EXPECT_EQ(r.word(), c.xid);
        EXPECT_EQ(r.word(), 1u);
        std::vector<uint32_t> header;
        while (!r.done()) header.push_back(r.word());
        EXPECT_EQ(header, row.header) << "procedure " << row.procedure;
    }
}

}  // namespace
}  // namespace kteval::network
