#include "intel_hex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>

#include "test_seed.h"
#include "usb_test_support.h"

namespace kteval {
namespace {

using testing_support::readText;
using testing_support::TempDir;
using ByteMap = std::map<uint32_t, uint8_t>;

ByteMap flatten(const std::vector<HexSegment>& segments) {
    ByteMap bytes;
    for (const HexSegment& s : segments) {
        for (std::size_t i = 0; i < s.bytes.size(); ++i) {
            bytes[s.address + static_cast<uint32_t>(i)] = s.bytes[i];
        }
    }
    return bytes;
}

// Random images written by srec_cat in every record size, address length
// and line end, in either case, read back as written.
TEST(IntelHexOracle, RandomImagesAgreeWithSrecCat) {
    if (std::system("command -v srec_cat >/dev/null") != 0)
        GTEST_SKIP() << "srec_cat not installed";
    TempDir dir;
    const uint64_t seed = test::testSeed();
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE("round " + std::to_string(round) + ", " + test::seedNote(seed));
        std::string command = "cd '" + dir.path().string() + "' && srec_cat";
        ByteMap written;
        // Up to four pieces, one in each third of main RAM and one in scratch RAM.
        for (const auto& [first, room] : {std::pair{0x0000u, 0x1555u},
                                          {0x1555u, 0x1555u},
                                          {0x2AAAu, 0x1556u},
                                          {0xE000u, 0x200u}}) {
            if (random() % 4 == 0) continue;
            const uint32_t size = std::uniform_int_distribution<uint32_t>(1, room)(random);
            const uint32_t at =
                first + std::uniform_int_distribution<uint32_t>(0, room - size)(random);
            const std::vector<uint8_t> bytes = testing_support::randomBytes(random, size);
            for (uint32_t i = 0; i < size; ++i) written[at + i] = bytes[i];
            const std::string file = "p" + std::to_string(at) + ".bin";
            dir.write(file, std::string(bytes.begin(), bytes.end()));
            command += " " + file + " -binary -offset " + std::to_string(at);
        }
        if (written.empty()) continue;
        const int block = std::uniform_int_distribution<int>(1, 255)(random);
        const int addressLength = std::uniform_int_distribution<int>(2, 4)(random);
        const bool crlf = random() % 2 == 0;
        command += " -o t.hex -intel -address-length=" + std::to_string(addressLength) +
                   " -Output_Block_Size " + std::to_string(block) + (crlf ? " -CRLF" : "");
        ASSERT_EQ(std::system(command.c_str()), 0) << command;

        std::string text = readText(dir.path() / "t.hex");
        if (random() % 2 == 0) {
            std::transform(text.begin(), text.end(), text.begin(),
                           [](char c) { return c >= 'A' && c <= 'F' ? char(c + 32) : c; });
        }
        const HexParseResult parsed = parseIntelHex(text);
        ASSERT_TRUE(parsed.ok()) << command << "\n" << parsed.error->message;
        EXPECT_EQ(flatten(parsed.segments), written) << command;
    }
}

// Layouts the srec_cat files above do not have.
TEST(IntelHex, AcceptsEveryRecordKindAndLayout) {
    struct Case {
        const char* name;
        std::string text;
        ByteMap expected;
    } cases[] = {
        {"start records ignored",
         ":0400000300001234B3\n:0400000500001234B1\n:0100100042AD\n:00000001FF\n",
         {{0x0010, 0x42}}},
        {"blank lines and trailing blanks", ":0100100042AD\n\n:00000001FF \n", {{0x0010, 0x42}}},
        {"segment base 0x0E00",
         ":020000020E00EE\n:020010001122BB\n:00000001FF\n",
         {{0xE010, 0x11}, {0xE011, 0x22}}},
        {"same byte twice", ":0100100042AD\n:0100100042AD\n:00000001FF\n", {{0x0010, 0x42}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HexParseResult parsed = parseIntelHex(c.text);
        ASSERT_TRUE(parsed.ok()) << parsed.error->message;
        EXPECT_EQ(flatten(parsed.segments), c.expected);
    }
}

TEST(IntelHex, RefusesNamingTheLine) {
    const std::string eof = ":00000001FF\n";
    struct Case {
        std::string text;
        HexErrorKind kind;
        std::size_t line;
        const char* mentions;
    } cases[] = {
        {":0100100042AD\n:0100110043AB\n", HexErrorKind::MissingEof, 3, "end-of-file"},
        {":0100100042AD\n:0100110043AC\n" + eof, HexErrorKind::BadChecksum, 2, "expected 0xAB"},
        {":01001000G2AD\n" + eof, HexErrorKind::BadDigit, 1, "character 10"},
        {":1000100042AD\n" + eof, HexErrorKind::BadLength, 1, "16 data bytes"},
        {"\n\n:10001\n" + eof, HexErrorKind::BadLength, 3, "line 3"},
        {" :0100100042AD\n" + eof, HexErrorKind::BadStartCode, 1, "':'"},
        {":0100100642A7\n" + eof, HexErrorKind::UnknownRecordType, 1, "0x06"},
        {":01000002AA53\n" + eof, HexErrorKind::BadLength, 1, "segment address"},
        {":01000001AA54\n", HexErrorKind::BadLength, 1, "end-of-file"},
        {":0100100042AD\n:0100100043AC\n" + eof, HexErrorKind::Conflict, 2, "on line 1"},
        {":01400000427D\n" + eof, HexErrorKind::OutsideRam, 1, "0x4000"},
        {":02E1FF001122EB\n" + eof, HexErrorKind::OutsideRam, 1, "0xE1FF-0xE200"},
        {":020000040001F9\n:0100000042BD\n" + eof, HexErrorKind::OutsideRam, 2, "0x10000"},
        {":02FFFF001122CD\n" + eof, HexErrorKind::AddressWrap, 1, "64 KiB"},
        {eof + ":0100100042AD\n", HexErrorKind::DataAfterEof, 2, "after"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const HexParseResult parsed = parseIntelHex(c.text);
        ASSERT_FALSE(parsed.ok());
        EXPECT_TRUE(parsed.segments.empty());
        EXPECT_EQ(parsed.error->kind, c.kind) << parsed.error->message;
        EXPECT_EQ(parsed.error->line, c.line) << parsed.error->message;
        EXPECT_NE(parsed.error->message.find(c.mentions), std::string::npos)
            << parsed.error->message;
    }
}

// A reader that backtracks or copies per line takes minutes on these.
TEST(IntelHex, LargeInputsAreHandledInLinearTime) {
    std::string repeated;
    while (repeated.size() < (10u << 20)) repeated += ":0100100042AD\r\n";
    for (const std::string& text : {":" + std::string(10 << 20, '0'), repeated + ":00000001FF\n"}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(parseIntelHex(text).ok(), text.size() > (10u << 20) + 1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    }
}

}  // namespace
}  // namespace kteval
