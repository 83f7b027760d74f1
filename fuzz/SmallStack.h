#pragma once

#include "FuzzCheck.h"

#include <sanitizer/common_interface_defs.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstddef>

namespace quorvane_fuzz {

// Runs work on the main thread, on a small stack of its own that is set up once and reused for
// every input. A walk that recursed over the depth of a design overflows it into the guard page
// below, which ASan reports as a stack overflow, on an input of a few kilobytes here rather than
// on a user's deep file. Switching stacks costs about a microsecond, where handing each input to
// another thread costs tens. ASan is told of every switch; it warns once that it does not fully
// support swapcontext, and reports errors on this stack as on any other.
class SmallStack final
{
public:
    // A chain of items a few hundred levels deep overflows a walk that recurses over it.
    static constexpr std::size_t kStackBytes = std::size_t{64} << 10;

    // Runs `work()` on the small stack and returns when it is done.
    template <typename Work>
    static void Run(Work& work)
    {
        Instance().Switch([](void* w) { (*static_cast<Work*>(w))(); }, &work);
    }

private:
    static constexpr std::size_t kGuardBytes = std::size_t{4} << 10;

    SmallStack()
    {
        void* memory = mmap(nullptr, kGuardBytes + kStackBytes, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        FUZZ_CHECK(memory != MAP_FAILED, "memory for the small stack");
        FUZZ_CHECK(mprotect(memory, kGuardBytes, PROT_NONE) == 0, "a guard page below it");
        m_stack = static_cast<char*>(memory) + kGuardBytes;
        FUZZ_CHECK(getcontext(&m_work) == 0, "a context for the small stack");
        m_work.uc_stack.ss_sp = m_stack;
        m_work.uc_stack.ss_size = kStackBytes;
        m_work.uc_link = nullptr;
        makecontext(&m_work, &Entry, 0);
    }

    static SmallStack& Instance()
    {
        // Never destroyed: the small stack stays parked between inputs until the process ends.
        static SmallStack* const instance = new SmallStack;
        return *instance;
    }

    void Switch(void (*function)(void*), void* argument)
    {
        m_function = function;
        m_argument = argument;
        void* callerFakeStack = nullptr;
        __sanitizer_start_switch_fiber(&callerFakeStack, m_stack, kStackBytes);
        swapcontext(&m_caller, &m_work);
        __sanitizer_finish_switch_fiber(callerFakeStack, nullptr, nullptr);
    }

    // The small stack's side: runs the work, switches back, and goes on there with the next.
    static void Entry()
    {
        SmallStack& s = Instance();
        __sanitizer_finish_switch_fiber(nullptr, &s.m_callerBottom, &s.m_callerSize);
        while (true) {
            s.m_function(s.m_argument);
            __sanitizer_start_switch_fiber(&s.m_workFakeStack, s.m_callerBottom, s.m_callerSize);
            swapcontext(&s.m_work, &s.m_caller);
            __sanitizer_finish_switch_fiber(s.m_workFakeStack, &s.m_callerBottom, &s.m_callerSize);
        }
    }

    char* m_stack = nullptr;
    ucontext_t m_caller{};
    ucontext_t m_work{};
    const void* m_callerBottom = nullptr;
    std::size_t m_callerSize = 0;
    void* m_workFakeStack = nullptr;
    void (*m_function)(void*) = nullptr;
    void* m_argument = nullptr;
};

} // namespace quorvane_fuzz
