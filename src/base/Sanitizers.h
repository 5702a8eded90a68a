#pragma once
// Whether the address sanitizer watches this build, which g++ and clang tell
// in different ways. Such builds keep every block on the heap, where the
// sanitizer sees it, and give calls more stack, as its frames are larger.

#if defined(__SANITIZE_ADDRESS__)
#define VL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VL_ADDRESS_SANITIZER 1
#endif
#endif
