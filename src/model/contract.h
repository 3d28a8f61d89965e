#pragma once

// Contract checks that stay in every build type (unlike assert): a broken
// precondition is a programming error, and the program stops with a message
// naming the condition and its place instead of reading or writing out of
// bounds.

namespace kteval {

// Prints "kteval: contract violated: CONDITION (FILE:LINE)" on stderr and
// aborts.
[[noreturn]] void contractViolated(const char* condition, const char* file, int line) noexcept;

}  // namespace kteval

#define KTEVAL_EXPECTS(condition)                      \
    (__builtin_expect(static_cast<bool>(condition), 1) \
         ? static_cast<void>(0)                        \
         : ::kteval::contractViolated(#condition, __FILE__, __LINE__))
