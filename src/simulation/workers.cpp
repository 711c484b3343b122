#include "simulation/workers.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <thread>
#include <vector>

namespace nuvir {

namespace {

// NUVIR_WORKERS when it holds a positive count, else the processors this process may
// run on: under an affinity mask (taskset, a container's CPU set) the machine's
// thread count would start workers that only wait for each other's processor.
int DefaultWorkers() {
    if (const char* env = std::getenv("NUVIR_WORKERS")) {
        const int n = std::atoi(env);
        if (n >= 1) return n;
    }
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n >= 1) return n;
    }
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
}

std::atomic<int> g_workers{0};  // 0: the default

}  // namespace

int SimulationWorkerThreads() {
    const int n = g_workers.load(std::memory_order_relaxed);
    return n >= 1 ? n : DefaultWorkers();
}

void SetSimulationWorkerThreads(int n) { g_workers.store(n >= 1 ? n : 0, std::memory_order_relaxed); }

void ParallelFor(int count, const std::function<void(int)>& task) {
    if (count <= 0) return;
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(count));
    std::atomic<int> next{0};
    auto work = [&] {
        for (;;) {
            const int i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= count) return;
            try {
                task(i);
            } catch (...) {
                failures[static_cast<std::size_t>(i)] = std::current_exception();
            }
        }
    };
    const int threads = std::min(SimulationWorkerThreads(), count);
    if (threads <= 1) {
        work();
    } else {
        std::vector<std::thread> pool;
        pool.reserve(static_cast<std::size_t>(threads - 1));
        try {
            for (int t = 1; t < threads; ++t) pool.emplace_back(work);
        } catch (...) {
            // No more threads to be had: the ones started and this thread finish the work.
        }
        work();
        for (auto& th : pool) th.join();
    }
    for (auto& f : failures)
        if (f) std::rethrow_exception(f);
}

}  // namespace nuvir
