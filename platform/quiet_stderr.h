// Keeps the error output quiet while a system library is probed: the sound
// and display libraries below SDL print their own complaints there, and the
// program reports what matters in one line of its own instead.
#pragma once
#include <cstdio>
#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#endif

// Returns a handle for quiet_stderr_end: the saved error output, or -1.
inline int quiet_stderr_begin() {
#if defined(__unix__) || defined(__APPLE__)
    std::fflush(stderr);
    const int saved = dup(2);
    const int null = open("/dev/null", O_WRONLY);
    if (saved < 0 || null < 0) {
        if (saved >= 0) close(saved);
        if (null >= 0) close(null);
        return -1;
    }
    dup2(null, 2);
    close(null);
    return saved;
#else
    return -1;
#endif
}

inline void quiet_stderr_end(int saved) {
#if defined(__unix__) || defined(__APPLE__)
    if (saved < 0) return;
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
#else
    (void)saved;
#endif
}
