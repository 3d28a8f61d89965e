#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace kteval::remote {

// SCPI error codes the command layer queues, with their standard texts.
//
// | code | text                      | when                                                  |
// |------|---------------------------|-------------------------------------------------------|
// |    0 | No error                  | the queue is empty                                    |
// | -102 | Syntax error              | malformed header, number, string or separator         |
// | -104 | Data type error           | a parameter of the wrong kind (text for a number ...) |
// | -108 | Parameter not allowed     | more parameters than the command takes                |
// | -109 | Missing parameter         | fewer parameters than the command takes               |
// | -113 | Undefined header          | no such command, or not on this part                  |
// | -114 | Header suffix out of range| a channel, offset DAC or reference the part lacks     |
// | -200 | Execution error           | the window refused the action                         |
// | -221 | Settings conflict         | a setup made for another part (PART)                  |
// | -222 | Data out of range         | a number beyond the limits of its register            |
// | -224 | Illegal parameter value   | a choice or entry that does not exist                 |
// | -226 | Lists not same length     | INITiate with channel lists of different lengths      |
// | -240 | Hardware error            | the meter failed (its message in the detail)          |
// | -241 | Hardware missing          | a measuring command without a meter                   |
// | -350 | Queue overflow            | errors were lost: the queue was full                  |
// | -363 | Input buffer overrun      | a line longer than the limit was discarded            |
enum class ErrorCode : int {
    NoError = 0,
    SyntaxError = -102,
    DataTypeError = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    UndefinedHeader = -113,
    HeaderSuffixOutOfRange = -114,
    ExecutionError = -200,
    SettingsConflict = -221,
    DataOutOfRange = -222,
    IllegalParameterValue = -224,
    ListsNotSameLength = -226,
    HardwareError = -240,
    HardwareMissing = -241,
    QueueOverflow = -350,
    InputBufferOverrun = -363,
};

std::string_view errorText(ErrorCode code);

// A queued error and where it arose: the command's header as written, and
// for a range error the limit ("DAC5:X1A above 16383"); empty when nothing
// names it. Printable ASCII without '"'.
struct ErrorEntry {
    ErrorCode code = ErrorCode::NoError;
    std::string detail;

    bool operator==(const ErrorEntry&) const = default;
};

// The answer of SYSTem:ERRor? for an entry: <code>,"<text>" or, with a
// detail, <code>,"<text>;<detail>".
std::string errorAnswer(const ErrorEntry& entry);

// One client's error queue, oldest first, at most kErrors entries. An error
// that finds it full replaces the newest entry with -350, so that the loss
// shows and nothing is lost without that mark.
class ErrorQueue {
  public:
    static constexpr std::size_t kErrors = 16;

    void push(ErrorCode code, std::string detail = {});
    // The oldest error, removed; NoError when empty.
    ErrorEntry pop();
    void clear() { entries_.clear(); }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const std::deque<ErrorEntry>& entries() const { return entries_; }
    // Errors pushed since the queue was made, also those lost to overflow.
    std::size_t pushedCount() const { return pushed_; }

  private:
    std::deque<ErrorEntry> entries_;
    std::size_t pushed_ = 0;
};

}  // namespace kteval::remote
