#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace lumek::bench {

// Runs the call in batches of about 0.1 s for about 1 s (after one warm-up call) and prints the
// mean time per call, and that of the fastest batch, which other work on the machine disturbs
// least, beside the target. Returns the fastest batch's time per call in milliseconds.
inline double Measure(const char* name, const char* target, const std::function<void()>& call) {
    using Clock = std::chrono::steady_clock;
    call();
    long calls = 0;
    double seconds = 0;
    double best = 1e9;
    while (seconds < 1.0) {
        const auto start = Clock::now();
        long batchCalls = 0;
        double batch = 0;
        do {
            call();
            ++batchCalls;
            batch = std::chrono::duration<double>(Clock::now() - start).count();
        } while (batch < 0.1);
        calls += batchCalls;
        seconds += batch;
        best = std::min(best, batch / static_cast<double>(batchCalls));
    }
    std::printf("%-44s %9.3f ms mean %9.3f ms best   %s\n", name,
                seconds * 1000.0 / static_cast<double>(calls), best * 1000.0, target);
    return best * 1000.0;
}

}  // namespace lumek::bench
