#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "error_queue.h"

namespace kteval::remote {

// Numeric suffixes saturate here: anything larger is out of range for every
// header that takes one.
inline constexpr uint32_t kSuffixLimit = 1'000'000;

// One keyword of a header: its letters and its numeric suffix ("DAC5": DAC, 5).
struct Keyword {
    std::string_view name;  // "*IDN" for a common command
    bool hasSuffix = false;
    uint32_t suffix = 0;       // saturated at kSuffixLimit
    std::string_view written;  // name and suffix as the client wrote them
};

// Parameter kinds of IEEE 488.2 program data.
enum class ParamKind {
    Decimal,          // 12, -3, 2.5, 1E3
    DecimalWithUnit,  // 2.5V, 2.5 mV
    NonDecimal,       // #H3FFF, #B101, #Q17
    Characters,       // A, ON, INPut
    String,           // "Mon_In0" or 'Mon_In0'
};

struct Param {
    ParamKind kind = ParamKind::Decimal;
    std::string_view text;  // the token as written (a string without its quotes)
    std::string value;      // a string's contents, doubled quotes undone
};

// One command of a line: header and parameters.
struct ProgramUnit {
    bool common = false;  // *IDN? and the like
    bool rooted = false;  // leading ':'
    bool query = false;
    std::vector<Keyword> keywords;
    std::vector<Param> params;
};

// Reads the ';'-separated commands of one line, left to right. White space is
// any byte 0x00-0x09 or 0x0B-0x20, as IEEE 488.2 has it.
class UnitReader {
  public:
    explicit UnitReader(std::string_view line) : line_(line) {}

    enum class Status { Unit, End, Error };
    // The next command into unit, End after the last one, or Error (with the
    // error in error) when the text is malformed.
    Status next(ProgramUnit& unit, ErrorCode& error);
    // Where the next command begins in the line.
    std::size_t position() const { return pos_; }

  private:
    bool atEnd() const { return pos_ >= line_.size(); }
    char peek() const { return line_[pos_]; }
    void skipWhiteSpace();
    bool readHeader(ProgramUnit& unit);
    bool readKeyword(ProgramUnit& unit, bool common);
    bool readParams(ProgramUnit& unit);
    bool readParam(Param& param);
    bool readNumber(Param& param);
    bool readNonDecimal(Param& param);
    bool readString(Param& param);
    bool atDelimiter() const;

    std::string_view line_;
    std::size_t pos_ = 0;
};

bool isWhiteSpace(char c);
// An ASCII letter, whatever the locale.
bool isAlpha(char c);

// ASCII letters compared without case; every other byte as it is.
bool equalIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kteval::remote
