#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

// A broken property ends the run: libFuzzer saves the input that broke it.
#define FUZZ_CHECK(condition, what)                                                                \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::quorvane_fuzz::Fail(__FILE__, __LINE__, #condition, what);                           \
    } while (false)

namespace quorvane_fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* condition,
                              std::string_view what)
{
    std::fprintf(stderr, "%s:%d: property broken: %.*s\n    (%s)\n", file, line,
                 static_cast<int>(what.size()), what.data(), condition);
    std::abort();
}

} // namespace quorvane_fuzz
