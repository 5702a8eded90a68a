#pragma once
// Assertions are for us, statuses are for users: VL_ASSERT aborts in debug and
// sanitizer builds and costs nothing in release, where an impossible state
// must come back as Status::InternalFailure instead.

#include <cstdio>
#include <cstdlib>

#if defined(VL_ASSERTS)
#define VL_ASSERT(cond)                                                                   \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "**** assertion failed: %s (%s:%d)\n", #cond, __FILE__, \
                         __LINE__);                                                       \
            std::abort();                                                                 \
        }                                                                                 \
    } while (false)
#else
#define VL_ASSERT(cond) \
    do {                \
    } while (false)
#endif
