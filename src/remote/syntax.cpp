#include "syntax.h"

#include <algorithm>

namespace kteval::remote {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isWordChar(char c) {
    return isAlpha(c) || isDigit(c) || c == '_';
}

// The digits of a non-decimal number: #H hexadecimal, #Q octal, #B binary.
bool isDigitOfBase(char c, char base) {
    switch (base) {
        case 'H':
        case 'h':
            return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        case 'Q':
        case 'q':
            return c >= '0' && c <= '7';
        default:
            return c == '0' || c == '1';
    }
}

}  // namespace

bool isAlpha(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isWhiteSpace(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 && byte != 0x0A;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    const auto upper = [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return upper(x) == upper(y); });
}

void UnitReader::skipWhiteSpace() {
    while (!atEnd() && isWhiteSpace(peek())) ++pos_;
}

bool UnitReader::atDelimiter() const {
    return atEnd() || isWhiteSpace(peek()) || peek() == ',' || peek() == ';';
}

UnitReader::Status UnitReader::next(ProgramUnit& unit, ErrorCode& error) {
    unit = ProgramUnit{};
    skipWhiteSpace();
    // An empty line, or white space after the last ';', ends the line.
    if (atEnd()) return Status::End;
    error = ErrorCode::SyntaxError;
    if (peek() == ';' || !readHeader(unit)) return Status::Error;
    if (!atEnd() && peek() != ';') {
        if (!isWhiteSpace(peek())) return Status::Error;
        skipWhiteSpace();
        if (!atEnd() && peek() != ';' && !readParams(unit)) return Status::Error;
    }
    if (!atEnd()) ++pos_;  // the ';'
    return Status::Unit;
}

bool UnitReader::readHeader(ProgramUnit& unit) {
    if (peek() == '*') {
        unit.common = true;
        if (!readKeyword(unit, true)) return false;
    } else {
        if (peek() == ':') {
            unit.rooted = true;
            ++pos_;
        }
        if (!readKeyword(unit, false)) return false;
        while (!atEnd() && peek() == ':') {
            ++pos_;
            if (!readKeyword(unit, false)) return false;
        }
    }
    if (!atEnd() && peek() == '?') {
        unit.query = true;
        ++pos_;
    }
    return true;
}

bool UnitReader::readKeyword(ProgramUnit& unit, bool common) {
    const std::size_t start = pos_;
    if (common) ++pos_;
    if (atEnd() || !isAlpha(peek())) return false;
    while (!atEnd() && isWordChar(peek())) ++pos_;
    std::size_t nameEnd = pos_;
    while (nameEnd > start && isDigit(line_[nameEnd - 1])) --nameEnd;
    Keyword keyword;
    keyword.name = line_.substr(start, nameEnd - start);
    if (nameEnd < pos_) {
        keyword.hasSuffix = true;
        for (std::size_t i = nameEnd; i < pos_; ++i) {
            const uint32_t digit = static_cast<uint32_t>(line_[i] - '0');
            keyword.suffix = std::min(kSuffixLimit, keyword.suffix * 10 + digit);
        }
    }
    keyword.written = line_.substr(start, pos_ - start);
    unit.keywords.push_back(keyword);
    return true;
}

bool UnitReader::readParams(ProgramUnit& unit) {
    while (true) {
        Param param;
        if (atEnd() || !readParam(param)) return false;
        unit.params.push_back(std::move(param));
        skipWhiteSpace();
        if (atEnd() || peek() == ';') return true;
        if (peek() != ',') return false;
        ++pos_;
        skipWhiteSpace();
    }
}

bool UnitReader::readParam(Param& param) {
    const char c = peek();
    if (c == '"' || c == '\'') return readString(param);
    if (c == '#') return readNonDecimal(param);
    if (isDigit(c) || c == '+' || c == '-' || c == '.') return readNumber(param);
    if (!isAlpha(c)) return false;
    const std::size_t start = pos_;
    while (!atEnd() && isWordChar(peek())) ++pos_;
    param.kind = ParamKind::Characters;
    param.text = line_.substr(start, pos_ - start);
    return atDelimiter();
}

bool UnitReader::readNumber(Param& param) {
    const std::size_t start = pos_;
    if (peek() == '+' || peek() == '-') ++pos_;
    std::size_t digits = 0;
    while (!atEnd() && isDigit(peek())) ++pos_, ++digits;
    if (!atEnd() && peek() == '.') {
        ++pos_;
        while (!atEnd() && isDigit(peek())) ++pos_, ++digits;
    }
    if (digits == 0) return false;
    if (!atEnd() && (peek() == 'E' || peek() == 'e')) {
        std::size_t look = pos_ + 1;
        if (look < line_.size() && (line_[look] == '+' || line_[look] == '-')) ++look;
        if (look < line_.size() && isDigit(line_[look])) {
            pos_ = look;
            while (!atEnd() && isDigit(peek())) ++pos_;
        }
    }
    param.kind = ParamKind::Decimal;
    // A suffix unit may follow the number after white space ("2.5 V").
    std::size_t unit = pos_;
    while (unit < line_.size() && isWhiteSpace(line_[unit])) ++unit;
    if (unit < line_.size() && isAlpha(line_[unit])) {
        param.kind = ParamKind::DecimalWithUnit;
        pos_ = unit;
        while (!atEnd() && isAlpha(peek())) ++pos_;
    }
    param.text = line_.substr(start, pos_ - start);
    return atDelimiter();
}

bool UnitReader::readNonDecimal(Param& param) {
    const std::size_t start = pos_;
    ++pos_;
    if (atEnd()) return false;
    const char base = peek();
    if (base != 'H' && base != 'h' && base != 'Q' && base != 'q' && base != 'B' && base != 'b') {
        return false;
    }
    ++pos_;
    const std::size_t digitsStart = pos_;
    while (!atEnd() && isDigitOfBase(peek(), base)) ++pos_;
    if (pos_ == digitsStart) return false;
    param.kind = ParamKind::NonDecimal;
    param.text = line_.substr(start, pos_ - start);
    return atDelimiter();
}

bool UnitReader::readString(Param& param) {
    const char quote = peek();
    ++pos_;
    const std::size_t start = pos_;
    while (true) {
        if (atEnd()) return false;  // no closing quote
        const char c = peek();
        ++pos_;
        if (c != quote) {
            param.value += c;
        } else if (!atEnd() && peek() == quote) {
            param.value += quote;  // a doubled quote stands for one
            ++pos_;
        } else {
            break;
        }
    }
    param.kind = ParamKind::String;
    param.text = line_.substr(start, pos_ - 1 - start);
    return atDelimiter();
}

}  // namespace kteval::remote
