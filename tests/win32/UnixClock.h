// Wall-clock microseconds since 1970, the time base that the test programs
// and the benchmark scripts share.
#pragma once

#include <windows.h>

inline long long UnixMicroseconds(const FILETIME& time) {
    const unsigned long long ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<long long>((ticks - 116444736000000000ULL) / 10);
}

inline long long UnixMicroseconds() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return UnixMicroseconds(now);
}
