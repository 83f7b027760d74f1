#pragma once

#include <pthread.h>

#include <cstddef>
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

// Runs `run(argument)` on a thread with a stack of `stackBytes`, so that a walk that recurses over
// the depth of its input fails in the fuzzer rather than on a user's deep file.
inline void RunOnSmallStack(void* (*run)(void*), void* argument, std::size_t stackBytes)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    pthread_t thread;
    FUZZ_CHECK(pthread_create(&thread, &attributes, run, argument) == 0, "a reading thread");
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

} // namespace quorvane_fuzz
