// Page faults of a benchmark loop: memory the process had to be given afresh, which costs far more
// than the work on it on some machines.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace telvane::bench {

inline long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Counts the page faults of the loop that follows, per iteration, when it goes out of scope.
class FaultCounter {
public:
    explicit FaultCounter(benchmark::State& state) : state_(state), start_(MinorFaults()) {}
    ~FaultCounter() {
        state_.counters["faults"] = benchmark::Counter(static_cast<double>(MinorFaults() - start_),
                                                       benchmark::Counter::kAvgIterations);
    }
    FaultCounter(const FaultCounter&) = delete;
    FaultCounter& operator=(const FaultCounter&) = delete;

private:
    benchmark::State& state_;
    long start_;
};

}  // namespace telvane::bench
