// How lines are read: forms of headers and numbers, separators, white space,
// and input that is not a command at all. A rejected command sends nothing
// and ends its line.
#include <gtest/gtest.h>

#include "session.h"

namespace kteval::remote {
namespace {

using namespace std::string_literals;

TEST(RemoteLineSyntax, HeadersSeparatorsAndWhiteSpace) {
    const LineCase rows[] = {
        {"KT4420", "", "", "", ""},
        {"KT4420", "dac3:x1a 5\r", "write 3 X1A 5", "", ""},
        {"KT4420", ":DAC3:X1B\t5 ", "write 3 X1B 5", "", ""},
        {"KT4420", "DAC3:X1A 5;X1B 6;:DAC4:M 7;DAC5:C 8",
         "write 3 X1A 5|write 3 X1B 6|write 4 M 7|write 5 C 8", "", ""},
        {"KT4420", "CHANNEL 3;chan?;CHA 1", "selectChannel 3", "3", "-113"},
        {"KT4420", "DAC0:X1A 5;", "write 0 X1A 5", "", ""},
        {"KT4420", "DAC0:X1A 5;;DAC1:X1A 5", "write 0 X1A 5", "", "-102"},
        {"KT4420", "*OPC?;DAC0:X1A 99999;DAC1:X1A 1", "", "1", "-222"},
        {"KT4420", "DAC:X1A 5", "", "", "-113"},
        {"KT4420", "DAC0:X1A5 5", "", "", "-113"},
        {"KT4420", "DAC99999999999999:X1A 5", "", "", "-114"},
        {"KT4420", "DAC0 :X1A 5", "", "", "-102"},
        {"KT4420", "DAC0:X1A 5 6", "", "", "-102"},
        {"KT4420", "DAC0:X1A", "", "", "-109"},
        {"KT4420", "DAC0:X1A 1,2", "", "", "-108"},
        {"KT4420", "A:B:C:D:E:F 1", "", "", "-113"},
    };
    for (const LineCase& row : rows) expectLine(row);
}

TEST(RemoteLineSyntax, CodeFormats) {
    const LineCase rows[] = {
        {"KT4420", "DAC0:X1A #h3fff", "write 0 X1A 16383", "", ""},
        {"KT4420", "DAC0:X1A #b101;X1A #Q17", "write 0 X1A 5|write 0 X1A 15", "", ""},
        {"KT4420", "DAC0:X1A +12;X1A 1.2E1;X1A 12.00;X1A 1200E-2;X1A -0",
         "write 0 X1A 12|write 0 X1A 12|write 0 X1A 12|write 0 X1A 12|write 0 X1A 0", "", ""},
        {"KT4420", "DAC0:X1A 0000000000000000000000000065535", "write 0 X1A 65535", "", ""},
        {"KT4420", "DAC0:X1A 1.5", "", "", "-224"},
        {"KT4420", "DAC0:X1A -1", "", "", "-222"},
        {"KT4420", "DAC0:X1A 99999999999999999999999999999", "", "", "-222"},
        {"KT4420", "DAC0:X1A 1E999999999999", "", "", "-222"},
        {"KT4420", "DAC0:X1A #HFFFFFFFFFFFFFFFFFFFFFFFF", "", "", "-222"},
        {"KT4420", "DAC0:X1A #H", "", "", "-102"},
        {"KT4420", "DAC0:X1A #H12G", "", "", "-102"},
        {"KT4420", "DAC0:X1A 5V", "", "", "-104"},
        {"KT4420", "DAC0:X1A \"5\"", "", "", "-104"},
        {"KT4420", "MON:SOUR \"Mon_In0", "", "", "-102"},
    };
    for (const LineCase& row : rows) expectLine(row);
}

// Bytes that are no command: NUL and control bytes are white space (IEEE
// 488.2), anything else outside the syntax is a syntax error; none sends.
TEST(RemoteLineSyntax, ArbitraryBytes) {
    const LineCase rows[] = {
        {"KT4410", "\0\0"s, "", "", ""},
        {"KT4410", "DAC0:X1A\0005\0"s, "write 0 X1A 5", "", ""},
        {"KT4410", "DAC0\0:X1A 5"s, "", "", "-102"},
        {"KT4410", "DAC0:X1A \xc3\xa9", "", "", "-102"},
        {"KT4410", "MON:SOUR \"Mon_In0\xff\"", "", "", "-224"},
        {"KT4410", std::string(70000, 'A'), "", "", "-113"},
        {"KT4410", "WORD " + std::string(70000, '9'), "", "", "-222"},
    };
    for (const LineCase& row : rows) expectLine(row);
}

// The queue keeps 16 errors, then -350 for those lost; it answers oldest
// first and *CLS empties it.
TEST(RemoteErrorQueue, OrderOverflowAndClear) {
    Session session("KT4420");
    session.interpreter.inputOverrun();
    session.run("FOO");
    EXPECT_EQ(session.run("SYST:ERR?;SYST:ERR?;SYST:ERR?"),
              "-363,\"Input buffer overrun\";-113,\"Undefined header;FOO\";0,\"No error\"");
    for (int i = 0; i < 16; ++i) session.run("DAC0:X1A -1");
    session.run("FOO");
    EXPECT_EQ(session.errors(),
              "-222,-222,-222,-222,-222,-222,-222,-222,-222,-222,-222,-222,"
              "-222,-222,-222,-222,-350");
    for (int i = 0; i < 4; ++i) session.run("FOO");
    EXPECT_EQ(session.interpreter.errors().size(), ErrorQueue::kCapacity);
    EXPECT_EQ(session.run("SYST:ERR?"), "-222,\"Data out of range;DAC0:X1A below 0\"");
    // A loss already shown is not shown twice.
    session.run("FOO");
    EXPECT_EQ(session.interpreter.errors().entries().back().code, ErrorCode::QueueOverflow);
    EXPECT_EQ(session.interpreter.errors().size(), ErrorQueue::kErrors);
    session.run("*CLS");
    EXPECT_EQ(session.run("SYST:ERR?"), "0,\"No error\"");
    EXPECT_EQ(session.calls(), "");
}

// An error names the command as written, resolved against the path, and for
// a range error the limit; a syntax error names the header read so far.
TEST(RemoteErrorQueue, DetailSaysWhere) {
    const std::pair<std::string, const char*> rows[] = {
        {"DAC5:X1A 16384", "-222,\"Data out of range;DAC5:X1A above 16383\""},
        {"dac3:x1a 5;X1B -7", "-222,\"Data out of range;dac3:X1B below 0\""},
        {"OFFS1 #H4000", "-222,\"Data out of range;OFFS1 above 16383\""},
        {"DAC40:X1A?", "-114,\"Header suffix out of range;DAC40:X1A? suffix above 39\""},
        {"VREF3?", "-114,\"Header suffix out of range;VREF3? suffix above 2\""},
        {"DAC0:MUX C", "-224,\"Illegal parameter value;DAC0:MUX\""},
        {"DAC0:X1A 5 6", "-102,\"Syntax error;DAC0:X1A\""},
        {";", "-102,\"Syntax error\""},
        {"DAC5:VOLT 9",
         "-222,\"Data out of range;DAC5:VOLT reachable -3.999755859375 to 7.99951171875 V\""},
        {std::string(70000, 'A'),
         "-113,\"Undefined header;"
         "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA...\""},
    };
    for (const auto& [line, answer] : rows) {
        Session session("KT4421");
        session.run(line);
        EXPECT_EQ(session.run("SYST:ERR?"), answer) << line.substr(0, 20);
    }
}

}  // namespace
}  // namespace kteval::remote
