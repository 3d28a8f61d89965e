// The interpreter over a recording of the window's operations: line syntax,
// command families and limits, status and errors. A rejected command sends
// nothing and ends its line.
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "interpreter.h"
#include "recording_operations.h"

namespace kteval::remote {
namespace {

using namespace std::string_literals;

// One client on a window of the part, with everything it did as text.
struct Session {
    explicit Session(std::string_view part) : ops(part), interpreter(ops) {}
    std::string run(std::string_view line) { return interpreter.executeLine(line).value_or(""); }
    std::string calls() const {
        std::string all;
        for (const std::string& call : ops.calls) all += (all.empty() ? "" : "|") + call;
        return all;
    }
    std::string errors() const {
        std::string all;
        for (const ErrorEntry& e : interpreter.errors().entries())
            all += (all.empty() ? "" : ",") + std::to_string(int(e.code));
        return all;
    }

    RecordingOperations ops;
    Interpreter interpreter;
};

// Rows of part, line, and the actions, answer and errors the line gives on a
// fresh session, with no action the window may not rely on.
void expectLines(std::initializer_list<std::array<std::string, 5>> rows) {
    for (const auto& [part, line, calls, answer, errors] : rows) {
        Session session(part);
        const std::string got = session.run(line);
        EXPECT_EQ(got + " / " + session.calls() + " / " + session.errors(),
                  answer + " / " + calls + " / " + errors)
            << part << " " << line.substr(0, 40);
        EXPECT_FALSE(session.ops.invalidCall) << line;
    }
}

TEST(RemoteLineSyntax, HeadersSeparatorsAndWhiteSpace) {
    expectLines({
        {"KT4420", "", "", "", ""},
        {"KT4420", "dac3:x1a 5\r", "write 3 X1A 5", "", ""},
        {"KT4420", ":DAC3:X1B\t5 ", "write 3 X1B 5", "", ""},
        {"KT4420", "DAC3:X1A 5;X1B 6;:DAC4:M 7;DAC5:C 8",
         "write 3 X1A 5|write 3 X1B 6|write 4 M 7|write 5 C 8", "", ""},
        {"KT4420", "CHANNEL 3;chan?;CHA 1", "selectChannel 3", "3", "-113"},
        {"KT4420", "CHANN 3", "", "", "-113"},
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
    });
}

TEST(RemoteLineSyntax, CodeFormats) {
    expectLines({
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
    });
}

// NUL and control bytes are white space, other bytes outside the syntax errors.
TEST(RemoteLineSyntax, ArbitraryBytes) {
    expectLines({
        {"KT4410", "\0\0"s, "", "", ""},
        {"KT4410", "DAC0:X1A\0005\0"s, "write 0 X1A 5", "", ""},
        {"KT4410", "DAC0\0:X1A 5"s, "", "", "-102"},
        {"KT4410", "DAC0:X1A \xc3\xa9", "", "", "-102"},
        {"KT4410", "MON:SOUR \"Mon_In0\xff\"", "", "", "-224"},
        {"KT4410", std::string(70000, 'A'), "", "", "-113"},
        {"KT4410", "WORD " + std::string(70000, '9'), "", "", "-222"},
    });
}

// Catches a queue of the wrong length, order, overflow mark or clearing.
TEST(RemoteErrorQueue, OrderOverflowAndClear) {
    Session session("KT4420");
    session.interpreter.inputOverrun();
    session.run("FOO");
    EXPECT_EQ(session.run("SYST:ERR?;SYST:ERR?;SYST:ERR?"),
              "-363,\"Input buffer overrun\";-113,\"Undefined header;FOO\";0,\"No error\"");
    // Full: the newest entry gives way to -350; after a read the next error
    // takes the free place.
    for (int i = 0; i < 20; ++i) session.run(i == 10 ? "DAC0:X1A -1" : "FOO");
    EXPECT_EQ(session.run("SYST:ERR:COUN?;:SYST:ERR?"), "16;-113,\"Undefined header;FOO\"");
    session.run("DAC0:X1A -1");
    EXPECT_EQ(session.errors(),
              "-113,-113,-113,-113,-113,-113,-113,-113,-113,-222,-113,-113,"
              "-113,-113,-350,-222");
    session.run("FOO");
    EXPECT_EQ(session.errors().substr(session.errors().size() - 4), "-350");
    session.run("*CLS");
    EXPECT_EQ(session.run("SYST:ERR?"), "0,\"No error\"");
    EXPECT_EQ(session.calls(), "");
}

// An error names the command as written and resolved, and the limit broken.
TEST(RemoteErrorQueue, DetailSaysWhere) {
    const std::pair<std::string, const char*> rows[] = {
        {"dac3:x1a 5;X1B -7", "-222,\"Data out of range;dac3:X1B below 0\""},
        {"OFFS1 #H4000", "-222,\"Data out of range;OFFS1 above 16383\""},
        {"DAC40:X1A?", "-114,\"Header suffix out of range;DAC40:X1A? suffix above 39\""},
        {"VREF3?", "-114,\"Header suffix out of range;VREF3? suffix above 2\""},
        {"DAC0:MUX C", "-224,\"Illegal parameter value;DAC0:MUX\""},
        {"DAC0:X1A 5 6", "-102,\"Syntax error;DAC0:X1A\""},
        {";", "-102,\"Syntax error\""},
        {"DAC5:VOLT 9",
         "-222,\"Data out of range;DAC5:VOLT reachable -3.999755859375 to 7.99951171875 V\""},
        {"DAC5:VOLT 1E400",
         "-222,\"Data out of range;DAC5:VOLT reachable -3.999755859375 to 7.99951171875 V\""},
        {"DAC5:VOLT:LIM:UPP 5;:DAC5:X1A 16383",
         "-221,\"Settings conflict;DAC5:X1A DAC5 would reach 7.9995 V, above its upper limit "
         "5.0000 V\""},
        {"DAC6:VOLT:LIM:LOW -2;UPP -3",
         "-221,\"Settings conflict;DAC6:VOLT:LIM:UPP below lower limit -2\""},
        {std::string(70000, 'A'),
         "-113,\"Undefined header;"
         "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA...\""},
    };
    Session session("KT4421");
    for (const auto& [line, answer] : rows)
        EXPECT_EQ((session.run(line), session.run("SYST:ERR?")), answer);
}

// Catches a header bound to the wrong action, or a limit off at its edge.
TEST(RemoteCommands, MapToTheirOperationWithinThePartsLimits) {
    expectLines({
        {"KT4412", "*idn?;*OPC?;*OPT?", "", "kteval,KT4412,SIMULATED,1.0.5;1;0", ""},
        {"KT4410", "*RST;BOARD:REL;*WAI", "pulseReset|reloadBoard", "", ""},
        {"KT4420", "*IDN", "", "", "-113"},
        {"KT4420", "*IDN? 1", "", "", "-108"},
        // Channel numbers 4-7 of the 8-channel parts are the indices 8-11.
        {"KT4412", "DAC7:X1A 1;:CHAN 7;CHAN?", "write 11 X1A 1|selectChannel 11", "7", ""},
        {"KT4413", "CHANNEL 4;DAC5:MUX B", "selectChannel 8|setMux 9 B", "", ""},
        {"KT4412", "DAC8:X1A?", "", "", "-114"},
        {"KT4420", "DAC39:C 1;:CHAN #H27", "write 39 C 1|selectChannel 39", "", ""},
        {"KT4420", "CHAN 40", "", "", "-222"},
        {"KT4420", "CHAN A", "", "", "-104"},
        {"KT4410", "DAC2:X1B 65535;M #HFFFF", "write 2 X1B 65535|write 2 M 65535", "", ""},
        {"KT4410", "DAC2:C 65536", "", "", "-222"},
        {"KT4421", "DAC2:X1A 16383", "write 2 X1A 16383", "", ""},
        {"KT4421", "DAC2:M #H4000", "", "", "-222"},
        // A voltage goes into the input register the channel's output uses.
        {"KT4421", "DAC3:VOLT 0", "write 3 X1A 5461", "", ""},
        {"KT4421", "DAC3:MUX B;:DAC3:VOLT 7.9998V", "setMux 3 B|write 3 X1B 16383", "", ""},
        {"KT4421", "DAC3:VOLT -4.0005", "", "", "-222"},
        {"KT4421", "DAC3:VOLT:RANG?;STEP?", "", "-3.999755859375,7.99951171875;0.000732421875", ""},
        {"KT4421", "DAC3:VOLT A", "", "", "-104"},
        {"KT4421", "DAC3:VOLT 2.5 mv;VOLT 1000UV;VOLT -1E-400 V",
         "write 3 X1A 5464|write 3 X1A 5462|write 3 X1A 5461", "", ""},
        {"KT4421", "DAC3:VOLT 1 KV", "", "", "-104"},
        {"KT4421", "PART KT4421;PART 'kt4421';PART?", "", "KT4421", ""},
        {"KT4421", "PART KT4420;DAC0:X1A 1", "", "", "-221"},
        {"KT4421", "PART KT9999", "", "", "-224"},
        {"KT4420", "LINE:CLR LOW;CLR?;RES?", "setLine CLR LOW", "LOW;HIGH", ""},
        {"KT4420", "*ESE 1.5;*ESE?;*SRE 2.5;*SRE?;*ESE 0.4;*ESE?", "", "2;2;0", ""},
        // Ramps and lists: settings, their limits and the operation condition.
        {"KT4420", "DAC0:VOLT:SLEW 2.5;SLEW?;SLEW INF;SLEW?", "", "2.5;9.9E37", ""},
        {"KT4420", "DAC0:VOLT:SLEW 0", "", "", "-222"},
        {"KT4420",
         "DAC1:LIST:VOLT 1,2.5 V,-3;VOLT?;:DAC1:LIST:CODE 5;CODE:APP 6,7;:DAC1:LIST:CODE?", "",
         "1,2.5,-3;5,6,7", ""},
        {"KT4420", "DAC1:LIST:CODE 65536", "", "", "-222"},
        {"KT4420", "DAC1:LIST:VOLT", "", "", "-109"},
        {"KT4420", "LIST:DWEL 0.5;DWEL?;COUN INF;COUN?;:TRIG:SOUR BUS;SOUR?", "", "0.5;9.9E37;BUS",
         ""},
        {"KT4420", "LIST:DWEL 0.0001", "", "", "-222"},
        {"KT4420", "DAC1:LIST:VOLT 1,2;:DAC2:LIST:VOLT 1;:INIT", "", "", "-226"},
        {"KT4420", "DAC1:VOLT:LIM:UPP 1.5;:DAC1:LIST:VOLT 1,2;:INIT", "setLimits 1 -9.9E37 1.5", "",
         "-221"},
        {"KT4420", "DAC1:LIST:CODE 1,2;:INIT;:STAT:OPER:COND?;:ABOR;:STAT:OPER:COND?", "", "8;0",
         ""},
        {"KT4420", "TRIG:SOUR BUS;:DAC1:LIST:CODE 1;:INIT;:STAT:OPER:COND?;*TRG;:STAT:OPER:COND?",
         "", "32;8", ""},
        {"KT4420", "*SRE 255.5", "", "", "-222"},
        {"KT4421", "INP B;INP?;INP A", "chooseInput B|chooseInput A", "B", ""},
        {"KT4420", "OFFS2 #H3FFF;OFFSET2?", "writeOffset 2 16383", "16383", ""},
        {"KT4410", "OFFS1?;OFFS1 16384", "", "8192", "-222"},
        {"KT4422", "OFFS2 1", "", "", "-114"},
        {"KT4421", "VREF2 2.50V;VREF2?", "setReference 2 2.50V", "2.5", ""},
        {"KT4421", "VREF0 '2.50 V';VREF0?", "setReference 0 2.50 V", "2.5", ""},
        {"KT4410", "VREF1 abc;VREF1?;VREF0?", "setReference 1 abc", "0;5", ""},
        {"KT4423", "VREF2 1", "", "", "-114"},
        {"KT4423", "VREF0 #H5", "", "", "-104"},
        {"KT4420", "WORD #HFFFFFF;WORD 0", "loadWord 16777215|loadWord 0", "", ""},
        {"KT4420", "WORD 16777216", "", "", "-222"},
        {"KT4420", "PULS:LDAC;PULSE:RESET", "pulseLdac|pulseReset", "", ""},
        {"KT4420", "LINE:RES HIGH;:LINE:CLR low;LINE:LDAC 1",
         "setLine RESET HIGH|setLine CLR LOW|setLine LDAC HIGH", "", ""},
        {"KT4420", "LINE:CLR 2", "", "", "-224"},
        {"KT4420", "LINE:CLR", "", "", "-109"},
        {"KT4410", "MON ON;MON:STAT OFF;MONITOR:STATE 1",
         "setMonitor ON|setMonitor OFF|setMonitor ON", "", ""},
        {"KT4410", "MON ON;MON:SOUR \"mon_in1\";SOUR \"DAC 15\"",
         "setMonitor ON|setMonitorSource Mon_In1|setMonitorSource DAC 15", "", ""},
        {"KT4412", "MON ON;MON:SOUR \"DAC 8\"", "setMonitor ON", "", "-224"},
        {"KT4410", "MON:SOUR \"DAC 1\"", "", "", "-200"},
        {"KT4411", "MON:SOUR Mon_In0", "", "", "-104"},
        {"KT4411", "GPIO:MODE INP;MODE low;MODE HIGH;MODE?",
         "setGpioMode INPUT|setGpioMode LOW|setGpioMode HIGH", "HIGH", ""},
        {"KT4412", "MON?;MON:SOUR?;GPIO:MODE?", "", "OFF;\"DAC 0\";INP", ""},
        {"KT4412", "MON:STAT ON;STAT?;SOUR 'Mon_In1';SOUR?",
         "setMonitor ON|setMonitorSource Mon_In1", "ON;\"Mon_In1\"", ""},
        {"KT4411", "GPIO?", "readGpio", "LOW", ""},
        {"KT4411", "GPIO:MODE OUT", "", "", "-224"},
        {"KT4420", "MON ON", "", "", "-113"},
        {"KT4423", "GPIO?", "", "", "-113"},
    });
}

// Catches a bound stored on the wrong side, read with the wrong words, or a
// bound set that the present output (0 V at start) or the other bound rules out.
TEST(RemoteCommands, OutputLimitsSetQueryAndRefusals) {
    const std::string none = "-9.9E37 9.9E37";
    expectLines({
        {"KT4421", "DAC5:VOLT:LIM:LOW?;UPP?", "", "-9.9E37;9.9E37", ""},
        {"KT4421", "DAC5:VOLT:LIMIT:UPPER 500 mV;LOW -1.25;LOW?;UPP?;:DAC6:VOLT:LIM:UPP?",
         "setLimits 5 -9.9E37 0.5|setLimits 5 -1.25 0.5", "-1.25;0.5;9.9E37", ""},
        {"KT4412", "DAC7:VOLT:LIM:LOW -1", "setLimits 11 -1 9.9E37", "", ""},
        {"KT4421", "DAC5:VOLT:LIM:UPP 1;UPP INF;LOW -1;LOW NINFINITY;LOW -9.9E37;UPP 1E38",
         "setLimits 5 -9.9E37 1|setLimits 5 " + none + "|setLimits 5 -1 9.9E37|setLimits 5 " +
             none + "|setLimits 5 " + none + "|setLimits 5 " + none,
         "", ""},
        {"KT4421", "DAC5:VOLT:LIM:UPP 0;LOW 0", "setLimits 5 -9.9E37 0|setLimits 5 0 0", "", ""},
        {"KT4421", "DAC5:VOLT:LIM:UPP 1;LOW 2", "setLimits 5 -9.9E37 1", "", "-221"},
        {"KT4421", "DAC5:VOLT:LIM:LOW 0.1", "", "", "-221"},
        {"KT4421", "DAC5:VOLT:LIM:UPP -1E-9", "", "", "-221"},
        {"KT4421", "DAC5:VOLT:LIM:LOW INF", "", "", "-221"},
        {"KT4421", "DAC5:VOLT:LIM:UPP ON", "", "", "-224"},
        {"KT4421", "DAC5:VOLT:LIM:UPP '5'", "", "", "-104"},
        {"KT4421", "DAC5:VOLT:LIM:UPP 5 KV", "", "", "-104"},
        {"KT4421", "DAC5:VOLT:LIM:UPP", "", "", "-109"},
        {"KT4421", "DAC40:VOLT:LIM:LOW?", "", "", "-114"},
    });
}

// Catches a list refused below its 16,384 points, or accepted beyond.
TEST(RemoteCommands, LongestList) {
    Session session("KT4420");
    std::string half = "1";
    for (int i = 1; i < 8192; ++i) half += ",1";
    session.run("DAC1:LIST:CODE " + half + ";CODE:APP " + half + ";:DAC1:LIST:CODE:APP 1");
    EXPECT_EQ(session.run("SYST:ERR?"),
              "-222,\"Data out of range;DAC1:LIST:CODE:APP more than 16384 points\"");
    EXPECT_EQ(session.run("DAC1:LIST:CODE?").size(), 16384u * 2 - 1);
}

// Queries answer the model in decimal; a refused window action is -200.
TEST(RemoteCommands, QueriesAnswerTheModelAndRefusalsAreExecutionErrors) {
    Session session("KT4421");
    DAC& record = session.ops.model().DACs(7);
    std::tie(record.X2A, record.X2B, record.DACreg, record.ABsel) =
        std::tuple(-32768, 98302, 0x3FFF, 1);
    EXPECT_EQ(session.run("DAC7:X1A #H3FFF;X1A?;X1B?;M?;C?;X2A?;X2B?;REG?;MUX?"),
              "16383;5461;16383;8192;-32768;98302;16383;B");
    EXPECT_EQ(session.run("DAC7:VOLT?;VOLT:EXAC?;:DAC0:VOLTAGE?;:DAC0:MUX?"),
              "7.9995;7.99951171875;0.0000;A");
    EXPECT_EQ(session.run("DAC0:X2A 5"), "");
    EXPECT_EQ(session.errors(), "-113");

    Session monitor("KT4412");
    EXPECT_EQ(monitor.run("GPIO:MODE HIGH;:GPIO?"), "HIGH");
    monitor.ops.refuse = true;
    EXPECT_EQ(monitor.run("DAC1:X1A 5;*OPC?"), "");
    EXPECT_EQ(monitor.errors(), "-200");
}

// Catches an event bit, status bit or enable mask set or cleared wrongly.
TEST(RemoteStatus, EventRegisterAndStatusByte) {
    Session session("KT4421");
    EXPECT_EQ(session.run("*ESR?;*STB?;*ESE?;*SRE?"), "0;0;0;0");
    session.run("FOO");
    session.run("DAC0:X1A -1");
    session.interpreter.inputOverrun();
    session.run("*OPC");
    EXPECT_EQ(session.run("*STB?;*ESE 32;*STB?;*SRE 255;*SRE?;*STB?"), "4;36;191;100");
    EXPECT_EQ(session.run("*ESR?;*ESR?;*STB?"), "57;0;68");
    session.run("DAC0:X1A 1.5");
    EXPECT_EQ(session.run("*CLS;*ESR?;*STB?;*ESE?;*SRE?"), "0;0;32;191");
    EXPECT_EQ(session.run("*SRE 256"), "");
    EXPECT_EQ(session.run("*ESR?;SYST:ERR?"), "16;-222,\"Data out of range;*SRE above 255\"");
    EXPECT_EQ(StatusRegisters::eventBitOf(-410), StatusRegisters::kQueryError);
    for (const int code : {0, -99, -500}) EXPECT_EQ(StatusRegisters::eventBitOf(code), 0);
}

TEST(RemoteStatus, SystemQueriesAndSelfTestResult) {
    Session session("KT4420");
    session.run("FOO");
    session.run("DAC0:X1A 70000");
    EXPECT_EQ(session.run("SYST:ERR:COUN?;:SYSTEM:VERSION?"), "2;1999.0");
    EXPECT_EQ(session.run("SYST:ERR:ALL?;COUN?"),
              "-113,\"Undefined header;FOO\",-222,\"Data out of range;DAC0:X1A above "
              "65535\";0");
    EXPECT_EQ(session.run("SYST:ERR:ALL?"), "0,\"No error\"");
    EXPECT_EQ(session.run("*TST?"), "0");
    session.ops.selfTestResult = -24;
    EXPECT_EQ(session.run("*TST?"), "-24");
    EXPECT_EQ(session.calls(), "selfTest|selfTest");
}

}  // namespace
}  // namespace kteval::remote
