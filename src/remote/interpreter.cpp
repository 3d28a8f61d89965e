#include "interpreter.h"

#include <vector>

#include "command_table.h"
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

}  // namespace

Interpreter::Interpreter(Operations& ops) : ops_(ops) {}

std::optional<std::string> Interpreter::executeLine(std::string_view line) {
    const PartInfo* part = ops_.module().part();
    UnitReader reader(line);
    // Headers without a leading ':' are first tried below the previous
    // command's path ("DAC3:X1A 1;X1B 2"), then from the root.
    std::vector<Keyword> path;
    std::optional<std::string> answers;
    while (true) {
        ProgramUnit unit;
        ErrorCode error = ErrorCode::NoError;
        const UnitReader::Status status = reader.next(unit, error);
        if (status == UnitReader::Status::End) break;
        if (status == UnitReader::Status::Error) {
            errors_.push(error);
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
        CommandContext context{ops_, errors_, part, 0, unit.params, {}};
        if (entry == nullptr || (entry->monitorFamilyOnly && !hasMonitor(part))) {
            error = ErrorCode::UndefinedHeader;
        } else if (!resolveSuffix(*entry, part, lookup.suffix, context.index)) {
            error = ErrorCode::HeaderSuffixOutOfRange;
        } else if (unit.params.size() < static_cast<std::size_t>(entry->paramCount)) {
            error = ErrorCode::MissingParameter;
        } else if (unit.params.size() > static_cast<std::size_t>(entry->paramCount)) {
            error = ErrorCode::ParameterNotAllowed;
        } else {
            error = entry->handler(context);
        }
        if (error != ErrorCode::NoError) {
            errors_.push(error);
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
    errors_.push(ErrorCode::InputBufferOverrun);
}

}  // namespace kteval::remote
