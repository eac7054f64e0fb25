#pragma once

#include <cstdio>
#include <cstdlib>

// A broken rule names itself before the fuzzer saves the input.
#define check(condition) zrx_fuzz::check_that((condition), #condition, __LINE__)

namespace zrx_fuzz {

inline void check_that(bool condition, const char *rule, int line)
{
    if (condition)
        return;
    std::fprintf(stderr, "broken rule at line %d: %s\n", line, rule);
    std::abort();
}

} // namespace zrx_fuzz
