// The firmware image defines memset, memcpy, memmove and memcmp itself (platform/x64)
// on top of MemFill and MemMove. Clang recognises byte loops as those library calls;
// inside these routines that would make memset call MemFill call memset. This
// attribute keeps the loops as written. Only the firmware image (clang) needs it.
#pragma once

#if defined(__clang__)
#define NO_LIBRARY_CALLS __attribute__((no_builtin))
#else
#define NO_LIBRARY_CALLS
#endif
