#pragma once
// The timer of the Windows benchmarks (Google Benchmark has no mingw build here):
// the median of repeated runs, after one warm-up, measured with QueryPerformanceCounter.

#include <windows.h>

#include <algorithm>
#include <vector>

namespace tevbench {

// `prepare` runs before each run and is not timed; GDI is flushed inside the timing.
template <typename Prepare, typename Work>
double MedianMs(int runs, Prepare prepare, Work work) {
    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    prepare();
    work();  // warm-up
    for (int i = 0; i < runs; ++i) {
        prepare();
        QueryPerformanceCounter(&start);
        work();
        GdiFlush();
        QueryPerformanceCounter(&stop);
        times.push_back(1000.0 * static_cast<double>(stop.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

template <typename Work>
double MedianMs(int runs, Work work) {
    return MedianMs(runs, [] {}, work);
}

}  // namespace tevbench
