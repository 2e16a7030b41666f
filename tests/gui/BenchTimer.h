// BenchTimer.h: the benchmarks' clock, the performance counter. Benchmarks print figures and assert nothing.
#pragma once
#include <windows.h>

/// Seconds between two performance-counter readings.
inline double Seconds(LARGE_INTEGER a, LARGE_INTEGER b)
{
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

/// Seconds since an arbitrary start.
inline double SecondsNow()
{
    LARGE_INTEGER zero = {}, t;
    ::QueryPerformanceCounter(&t);
    return Seconds(zero, t);
}
