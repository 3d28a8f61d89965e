// Every command family on the parts it applies to, with the part's limits.
#include <gtest/gtest.h>

#include "session.h"

namespace kteval::remote {
namespace {

TEST(RemoteCommon, IdentificationStatusAndReset) {
    const LineCase rows[] = {
        {"KT4421", "*IDN?", "", "kteval,KT4421,SIMULATED,1.0.5", ""},
        {"KT4412", "*idn?;*OPC?", "", "kteval,KT4412,SIMULATED,1.0.5;1", ""},
        {"KT4410", "*RST", "pulseReset", "", ""},
        {"KT4420", "BOARD:REL", "reloadBoard", "", ""},
        {"KT4420", "*IDN", "", "", "-113"},
        {"KT4420", "*IDN? 1", "", "", "-108"},
    };
    for (const LineCase& row : rows) expectLine(row);
}

// Each error class sets its bit of the event register, *OPC bit 0; reading
// the register clears it. The status byte has EAV while errors are queued,
// ESB for enabled events, MSS for enabled status bits; *CLS clears all but
// the enable masks.
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

TEST(RemoteStatus, SystemQueriesAndSelfTest) {
    Session session("KT4420");
    session.run("FOO");
    session.run("DAC0:X1A 70000");
    EXPECT_EQ(session.run("SYST:ERR:COUN?;:SYSTEM:VERSION?;*OPT?"), "2;1999.0;0");
    EXPECT_EQ(session.run("SYST:ERR:ALL?;COUN?"),
              "-113,\"Undefined header;FOO\",-222,\"Data out of range;DAC0:X1A above "
              "65535\";0");
    EXPECT_EQ(session.run("SYST:ERR:ALL?"), "0,\"No error\"");
    EXPECT_EQ(session.run("*TST?;*WAI"), "0");
    session.ops.selfTestResult = -24;
    EXPECT_EQ(session.run("*TST?"), "-24");
    EXPECT_EQ(session.calls(), "selfTest|selfTest");
    EXPECT_EQ(session.errors(), "");
}

// The suffix of DAC<n> and the parameter of CHANnel are channel numbers: on
// the 8-channel parts numbers 4-7 are indices 8-11. Beyond the part: -114.
TEST(RemoteChannels, NumbersMapToTheIndicesOfEveryPart) {
    struct Row {
        const char* part;
        int lastNumber;
        int lastIndex;
    };
    const Row rows[] = {{"KT4412", 7, 11}, {"KT4420", 39, 39}};
    for (const Row& row : rows) {
        const std::string last = std::to_string(row.lastNumber);
        const std::string beyond = std::to_string(row.lastNumber + 1);
        const std::string index = std::to_string(row.lastIndex);
        expectLine(
            {row.part, "DAC" + last + ":X1A 1", ("write " + index + " X1A 1").c_str(), "", ""});
        expectLine({row.part, "CHAN " + last + ";CHAN?", ("selectChannel " + index).c_str(),
                    last.c_str(), ""});
        expectLine({row.part, "DAC" + beyond + ":X1A 1", "", "", "-114"});
        expectLine({row.part, "DAC" + beyond + ":X1A?", "", "", "-114"});
        expectLine({row.part, "CHAN " + beyond, "", "", "-222"});
    }
    const LineCase mapped[] = {
        {"KT4412", "DAC5:MUX B", "setMux 9 B", "", ""},
        {"KT4413", "CHANNEL 4", "selectChannel 8", "", ""},
        {"KT4420", "CHAN #H27", "selectChannel 39", "", ""},
        {"KT4420", "CHAN -1", "", "", "-222"},
        {"KT4420", "CHAN A", "", "", "-104"},
    };
    for (const LineCase& row : mapped) expectLine(row);
}

// A voltage goes into the register that feeds the channel's output; one out
// of reach, or no voltage, sends nothing. KT4421 at its start values reaches
// -3.99976 V (code 0) to 7.99951 V (code 0x3FFF) in steps of 0.73 mV.
TEST(RemoteVolts, InputRegisterOfTheMultiplexerChoice) {
    const LineCase rows[] = {
        {"KT4421", "DAC3:VOLT 0", "write 3 X1A 5461", "", ""},
        {"KT4421", "DAC3:MUX B;:DAC3:VOLT 7.9998V", "setMux 3 B|write 3 X1B 16383", "", ""},
        {"KT4421", "DAC3:VOLT -4.0005", "", "", "-222"},
        {"KT4421", "DAC3:VOLT:RANG?;STEP?", "", "-3.999755859375,7.99951171875;0.000732421875", ""},
        {"KT4421", "DAC3:VOLT A", "", "", "-104"},
        {"KT4421", "INP B;INP?", "chooseInput B", "B", ""},
    };
    for (const LineCase& row : rows) expectLine(row);
}

// X1A, X1B, M and C take codes up to the part's largest register code.
TEST(RemoteRegisters, CodeWidthLimits) {
    for (const char* name : {"KT4410", "KT4421"}) {
        const PartInfo& part = *findPart(name);
        const uint32_t largest = largestRegisterCode(part.bits);
        for (const char* reg : {"X1A", "X1B", "M", "C"}) {
            const std::string header = std::string("DAC2:") + reg + " ";
            const std::string accepted =
                "write 2 " + std::string(reg) + " " + std::to_string(largest);
            expectLine(
                {part.name.data(), header + std::to_string(largest), accepted.c_str(), "", ""});
            expectLine({part.name.data(), header + std::to_string(largest + 1), "", "", "-222"});
            expectLine({part.name.data(), header + "#H" + (part.bits == 14 ? "4000" : "10000"), "",
                        "", "-222"});
        }
    }
}

TEST(RemoteRegisters, QueriesAnswerTheModelInDecimal) {
    Session session("KT4421");
    DAC& record = session.ops.model().DACs(7);
    record.X2A = -32768;
    record.X2B = 98302;
    record.DACreg = 0x3FFF;
    record.ABsel = 1;
    EXPECT_EQ(session.run("DAC7:X1A #H3FFF;X1A?;X1B?;M?;C?;X2A?;X2B?;REG?;MUX?"),
              "16383;5461;16383;8192;-32768;98302;16383;B");
    EXPECT_EQ(session.run("DAC7:VOLT?;:DAC0:VOLTAGE?"), "7.9995;0.0000");
    EXPECT_EQ(session.calls(), "write 7 X1A 16383");
    EXPECT_EQ(session.run("DAC0:MUX b;MUX?;MUX A;MUX?"), "B;A");
    EXPECT_EQ(session.errors(), "");
    EXPECT_EQ(session.run("DAC0:MUX C"), "");
    EXPECT_EQ(session.run("DAC0:X2A 5"), "");
    EXPECT_EQ(session.errors(), "-224,-113");
}

// Offset DACs and reference entries: only those the part shows (three on the
// 40-channel parts, two elsewhere); offset codes are 14-bit on every part.
TEST(RemoteOffsetsAndReferences, GroupsAndLimits) {
    const LineCase rows[] = {
        {"KT4420", "OFFS2 #H3FFF;OFFSET2?", "writeOffset 2 16383", "16383", ""},
        {"KT4410", "OFFS1?;OFFS1 16384", "", "8192", "-222"},
        {"KT4422", "OFFS2 1", "", "", "-114"},
        {"KT4410", "OFFS2?", "", "", "-114"},
        {"KT4421", "VREF2 2.50V;VREF2?", "setReference 2 2.50V", "2.5", ""},
        {"KT4421", "VREF0 '2.50 V';VREF0?", "setReference 0 2.50 V", "2.5", ""},
        {"KT4410", "VREF1 abc;VREF1?;VREF0?", "setReference 1 abc", "0;5", ""},
        {"KT4423", "VREF2 1", "", "", "-114"},
        {"KT4423", "VREF0 #H5", "", "", "-104"},
        {"KT4420", "WORD #HFFFFFF;WORD 0", "loadWord 16777215|loadWord 0", "", ""},
        {"KT4420", "WORD 16777216", "", "", "-222"},
    };
    for (const LineCase& row : rows) expectLine(row);
}

TEST(RemoteSignals, PulsesAndLines) {
    const LineCase rows[] = {
        {"KT4420", "PULS:LDAC;PULSE:RESET", "pulseLdac|pulseReset", "", ""},
        {"KT4420", "LINE:RES HIGH;:LINE:CLR low;LINE:LDAC 1",
         "setLine RESET HIGH|setLine CLR LOW|setLine LDAC HIGH", "", ""},
        {"KT4420", "LINE:CLR MAYBE", "", "", "-224"},
        {"KT4420", "LINE:CLR 2", "", "", "-224"},
        {"KT4420", "LINE:CLR", "", "", "-109"},
        {"KT4420", "LINE:CLR?", "", "", "-113"},
    };
    for (const LineCase& row : rows) expectLine(row);
}

// Monitor and GPIO exist on the 441x parts only; elsewhere the headers are
// undefined. Source entries are the list's own, 0-15 or 0-7 channels, and
// can be chosen only while the monitor is enabled.
TEST(RemoteMonitorAndGpio, OnTheMonitorFamilyOnly) {
    const LineCase rows[] = {
        {"KT4410", "MON ON;MON:STAT OFF;MONITOR:STATE 1",
         "setMonitor ON|setMonitor OFF|setMonitor ON", "", ""},
        {"KT4410", "MON ON;MON:SOUR \"mon_in1\";SOUR \"DAC 15\"",
         "setMonitor ON|setMonitorSource Mon_In1|setMonitorSource DAC 15", "", ""},
        {"KT4410", "MON ON;MON:SOUR \"DAC 16\"", "setMonitor ON", "", "-224"},
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
        {"KT4421", "MON:SOUR?", "", "", "-113"},
        {"KT4422", "GPIO:MODE?", "", "", "-113"},
        {"KT4423", "GPIO?", "", "", "-113"},
    };
    for (const LineCase& row : rows) expectLine(row);
    Session session("KT4412");
    session.ops.gpioHigh = true;
    EXPECT_EQ(session.run("GPIO?"), "HIGH");
}

// Where the window refuses an action, the command ends in -200.
TEST(RemoteRefusal, WindowRefusalIsAnExecutionError) {
    Session session("KT4420");
    session.ops.refuse = true;
    EXPECT_EQ(session.run("DAC1:X1A 5;*OPC?"), "");
    EXPECT_EQ(session.errors(), "-200");
    EXPECT_EQ(session.calls(), "write 1 X1A 5");
}

}  // namespace
}  // namespace kteval::remote
