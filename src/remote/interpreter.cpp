#include "interpreter.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "command_table.h"
#include "common_commands.h"
#include "part_rules.h"
#include "syntax.h"

namespace kteval::remote {

namespace {

// The header suffix as the handler's index; false when the part lacks it.
bool resolveSuffix(const CommandEntry& entry, const PartInfo* part, uint32_t suffix, int& index) {
    switch (entry.suffix) {
        case SuffixKind::None:
            return true;
        case SuffixKind::Channel:
            if (part == nullptr || suffix > static_cast<uint32_t>(largestChannelNumber(*part))) {
                return false;
            }
            index = indexOfChannelNumber(part, static_cast<int>(suffix));
            return true;
        case SuffixKind::Group:
            if (suffix >= static_cast<uint32_t>(offsetDacCount(part))) return false;
            index = static_cast<int>(suffix);
            return true;
    }
    return false;
}

std::size_t fewestParams(const CommandEntry& entry) {
    if (entry.paramCount == kNoneOrOne) return 0;
    return entry.paramCount == kOneOrMore ? 1 : static_cast<std::size_t>(entry.paramCount);
}

std::size_t mostParams(const CommandEntry& entry) {
    if (entry.paramCount == kNoneOrOne) return 1;
    return entry.paramCount == kOneOrMore ? SIZE_MAX : static_cast<std::size_t>(entry.paramCount);
}

// The header as the client wrote it, for an error's detail ("DAC5:X1A?");
// a long one is cut, so that the answer stays short.
std::string writtenHeader(const std::vector<Keyword>& keywords, bool query) {
    constexpr std::size_t kLongest = 48;
    std::string header;
    for (const Keyword& keyword : keywords) {
        if (!header.empty()) header += ':';
        header += keyword.written;
    }
    if (query) header += '?';
    if (header.size() > kLongest) header.replace(kLongest - 3, std::string::npos, "...");
    return header;
}

// The largest header suffix the part has for entry, for a -114 detail.
std::string suffixLimit(const CommandEntry& entry, const PartInfo* part) {
    if (part == nullptr) return {};
    const int largest = entry.suffix == SuffixKind::Channel ? largestChannelNumber(*part)
                                                            : offsetDacCount(part) - 1;
    return "suffix above " + std::to_string(largest);
}

}  // namespace

Interpreter::Interpreter(Operations& ops, Mode mode) : ops_(ops), mode_(mode) {}

std::optional<std::string> Interpreter::executeLine(std::string_view line) {
    held_.reset();
    return run(line, {}, std::nullopt);
}

std::optional<std::string> Interpreter::resume() {
    if (!held_ || (ops_.sequencer() != nullptr && ops_.sequencer()->busy())) return std::nullopt;
    resumed_ = std::move(*held_);
    held_.reset();
    std::vector<Keyword> path;
    for (const KeptKeyword& k : resumed_.path) {
        path.push_back({k.name, k.hasSuffix, k.suffix, k.written});
    }
    return run(resumed_.rest, std::move(path), std::move(resumed_.answers));
}

std::optional<std::string> Interpreter::run(std::string_view line, std::vector<Keyword> path,
                                            std::optional<std::string> answers) {
    const PartInfo* part = ops_.module().part();
    UnitReader reader(line);
    // Headers without a leading ':' are first tried below the previous
    // command's path ("DAC3:X1A 1;X1B 2"), then from the root.
    while (true) {
        ProgramUnit unit;
        ErrorCode error = ErrorCode::NoError;
        const std::size_t unitStart = reader.position();
        const UnitReader::Status status = reader.next(unit, error);
        if (status == UnitReader::Status::End) break;
        if (status == UnitReader::Status::Error) {
            report(error, writtenHeader(unit.keywords, unit.query));
            break;
        }

        std::vector<Keyword> header = unit.keywords;
        HeaderLookup lookup;
        if (!unit.common && !unit.rooted && !path.empty()) {
            header.insert(header.begin(), path.begin(), path.end());
            lookup = findCommand(header, unit.query);
            if (lookup.entry == nullptr) header = unit.keywords;
        }
        if (lookup.entry == nullptr) lookup = findCommand(header, unit.query);

        const CommandEntry* entry = lookup.entry;
        CommandContext context{ops_, errors_, part, 0, unit.params, {}, status_, {}};
        if (entry == nullptr || (entry->monitorFamilyOnly && !hasMonitor(part))) {
            error = ErrorCode::UndefinedHeader;
        } else if (!resolveSuffix(*entry, part, lookup.suffix, context.index)) {
            error = ErrorCode::HeaderSuffixOutOfRange;
            context.detail = suffixLimit(*entry, part);
        } else if (unit.params.size() < fewestParams(*entry)) {
            error = ErrorCode::MissingParameter;
        } else if (unit.params.size() > mostParams(*entry)) {
            error = ErrorCode::ParameterNotAllowed;
        } else if (canWait_ && waitsForOperations(*entry) && ops_.sequencer() != nullptr &&
                   ops_.sequencer()->busy()) {
            // Held until the ramps and lists have ended.
            HeldLine held{std::string(line.substr(unitStart)), {}, std::move(answers)};
            for (const Keyword& k : path) {
                held.path.push_back(
                    {std::string(k.name), std::string(k.written), k.hasSuffix, k.suffix});
            }
            held_ = std::move(held);
            return std::nullopt;
        } else {
            error = entry->handler(context);
            if (mode_ == Mode::Check && context.stateDependent) error = ErrorCode::NoError;
        }
        if (error != ErrorCode::NoError) {
            std::string detail = writtenHeader(header, unit.query);
            if (!context.detail.empty()) detail += ' ' + context.detail;
            report(error, std::move(detail));
            break;
        }
        if (entry->query) {
            if (answers) {
                *answers += ';';
            } else {
                answers.emplace();
            }
            *answers += context.answer;
        }
        if (!unit.common) path.assign(header.begin(), header.end() - 1);
    }
    return answers;
}

void Interpreter::inputOverrun() {
    report(ErrorCode::InputBufferOverrun, {});
}

void Interpreter::report(ErrorCode code, std::string detail) {
    errors_.push(code, std::move(detail));
    status_.recordError(static_cast<int>(code));
    // A full queue stands for the loss with -350, a device-dependent error.
    if (errors_.entries().back().code == ErrorCode::QueueOverflow) {
        status_.recordError(static_cast<int>(ErrorCode::QueueOverflow));
    }
}

}  // namespace kteval::remote
