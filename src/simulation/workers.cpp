#include "simulation/workers.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace nuvir {

namespace {

int DefaultWorkers() {
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
