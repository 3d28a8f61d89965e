#include "contract.h"

#include <cstdio>
#include <cstdlib>

namespace kteval {

// Kept out of line and cold, so that a check costs the callers one compare
// and a branch that is never taken.
[[gnu::cold, gnu::noinline]] void contractViolated(const char* condition, const char* file,
                                                   int line) noexcept {
    std::fprintf(stderr, "kteval: contract violated: %s (%s:%d)\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

}  // namespace kteval
