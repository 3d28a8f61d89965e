#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "error_queue.h"
#include "operations.h"
#include "part_catalogue.h"
#include "status.h"
#include "syntax.h"

namespace kteval::remote {

// What a command's handler works with: the window, the client's error queue,
// the fitted part, the header suffix resolved to a channel index or an offset
// DAC / reference number, and the parameters (their count already checked).
struct CommandContext {
    Operations& ops;
    ErrorQueue& errors;
    const PartInfo* part;  // nullptr when no part is chosen
    int index = 0;
    const std::vector<Param>& params;
    std::string answer;       // a query's answer
    StatusRegisters& status;  // the client's IEEE 488.2 status
    // Where a rejected command went wrong, after its header in the error's
    // detail ("above 16383"); empty: the header alone.
    std::string detail;
    // The rejection depends on the present state (a voltage beyond the
    // channel's present reach, a monitor source while the monitor is off):
    // the commands before it in a setup may still make it right.
    bool stateDependent = false;
};

// A handler validates its parameters, then calls at most the operations of
// its own command; NoError when it ran, else the error to queue (in which
// case no action was called).
using Handler = ErrorCode (*)(CommandContext&);

// What the numeric suffix of a header names.
enum class SuffixKind {
    None,
    Channel,  // DAC<n>: a channel number the part has
    Group,    // OFFSet<k>, VREF<k>: an offset DAC / reference entry the part shows
};

// paramCount beyond a fixed number: one or more (a list), or none or one.
inline constexpr int kOneOrMore = -1;
inline constexpr int kNoneOrOne = -2;

struct CommandEntry {
    // Keywords separated by ':', the upper-case part being the short form,
    // "[:NODE]" optional, '#' where the numeric suffix goes.
    std::string_view header;
    bool query;
    int paramCount;
    SuffixKind suffix;
    bool monitorFamilyOnly;  // monitor and GPIO: the 441x parts only
    Handler handler;
};

std::span<const CommandEntry> commandTable();

// True when written (any case) is the short or the long form of form
// ("CHAN" or "channel" for "CHANnel").
bool matchesForm(std::string_view written, std::string_view form);

struct HeaderLookup {
    const CommandEntry* entry = nullptr;  // nullptr: no such command
    uint32_t suffix = 0;                  // the suffix of the '#' keyword
};

// The command whose header and form (query or not) the keywords name.
HeaderLookup findCommand(std::span<const Keyword> keywords, bool query);

}  // namespace kteval::remote
