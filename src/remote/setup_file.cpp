#include "setup_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "checking_operations.h"
#include "syntax.h"

namespace kteval::remote {

namespace {

std::string_view withoutComment(std::string_view line) {
    char quote = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '#' && (std::all_of(line.begin(), line.begin() + long(i), isWhiteSpace) ||
                                (isWhiteSpace(line[i - 1]) &&
                                 (i + 1 == line.size() || isWhiteSpace(line[i + 1]))))) {
            return line.substr(0, i);
        }
    }
    return line;
}

}  // namespace

std::vector<SetupLine> setupLines(std::string_view content) {
    std::vector<SetupLine> lines;
    int number = 0;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = withoutComment(line);
        while (!line.empty() && isWhiteSpace(line.front())) line.remove_prefix(1);
        while (!line.empty() && isWhiteSpace(line.back())) line.remove_suffix(1);
        if (!line.empty()) lines.push_back({number, std::string(line)});
    }
    return lines;
}

std::optional<std::vector<SetupLine>> readSetupFile(const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    std::string content;
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, count);
    const bool failed = std::ferror(file) != 0;
    const int reason = errno;
    std::fclose(file);
    if (failed) {
        error = std::strerror(reason);
        return std::nullopt;
    }
    return setupLines(content);
}

namespace {

// Runs the lines until one is rejected: its index and error.
std::optional<std::pair<std::size_t, std::string>> firstRejected(
    Interpreter& interpreter, const std::vector<SetupLine>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t before = interpreter.errors().pushedCount();
        interpreter.executeLine(lines[i].text);
        if (interpreter.errors().pushedCount() != before) {
            return std::pair{i, errorAnswer(interpreter.errors().entries().back())};
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<SetupFailure> runSetup(Operations& ops, const std::vector<SetupLine>& lines) {
    CheckingOperations checking(ops);
    Interpreter checker(checking, Interpreter::Mode::Check);
    if (auto rejected = firstRejected(checker, lines)) {
        return SetupFailure{lines[rejected->first], std::move(rejected->second), std::nullopt,
                            lines.size()};
    }
    Interpreter interpreter(ops);
    if (auto rejected = firstRejected(interpreter, lines)) {
        return SetupFailure{lines[rejected->first], std::move(rejected->second), rejected->first,
                            lines.size()};
    }
    return std::nullopt;
}

std::string setupFailureMessage(std::string_view path, const SetupFailure& failure) {
    std::string message = std::string(path) + ", line " + std::to_string(failure.line.number) +
                          ": " + failure.line.text + ": " + failure.error;
    if (!failure.applied) return message + "; nothing was sent";
    return message + "; " + std::to_string(*failure.applied) + " of " +
           std::to_string(failure.lines) + " lines were applied";
}

}  // namespace kteval::remote
