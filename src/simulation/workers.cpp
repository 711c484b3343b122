#include "simulation/workers.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <utility>
#include <thread>
#include <vector>

namespace nuvir {

namespace {

// The processors this process may run on: under an affinity mask (taskset, a
// container's CPU set) the machine's thread count would start workers that only wait
// for each other's processor.
int Processors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n >= 1) return n;
    }
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
}

// NUVIR_WORKERS when it holds a positive count, else the processors; never more than
// the processors: the work is computation only, and threads beyond them would only
// take turns on them, each with its stack and its share of the statistics' work space.
int DefaultWorkers() {
    const int processors = Processors();
    if (const char* env = std::getenv("NUVIR_WORKERS")) {
        const int n = std::atoi(env);
        if (n >= 1) return std::min(n, processors);
    }
    return processors;
}

std::atomic<int> g_workers{0};  // 0: the default

std::atomic<void (*)()> g_returnHook{nullptr};

thread_local bool t_inPool = false;
thread_local bool t_returning = false;  // this pool thread already counts as free

// Threads that take jobs from a queue and wait for more; a new one starts only when
// the queue holds more jobs than there are threads free to take them.
class Pool {
public:
    static Pool& Instance() {
        static Pool pool;
        return pool;
    }

    // False when no thread can take the job.
    bool Submit(std::function<void()> job) noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        try {
            jobs_.push_back(std::move(job));
        } catch (...) {
            return false;
        }
        if (jobs_.size() > static_cast<std::size_t>(free_)) {
            try {
                threads_.emplace_back([this] { Serve(); });
            } catch (...) {
                jobs_.pop_back();
                return false;
            }
            ++free_;  // from now on: a thread still starting takes the next job too
        }
        more_.notify_one();
        return true;
    }

    // Called by a job's last step, before it tells its caller it is done: the caller may
    // then hand out its next jobs before this thread is back to wait for them, and a
    // thread on its way back must count as one that will take them, or every step of a
    // run on a busy machine could start threads beyond the processors.
    void Returning() noexcept {
        if (!t_inPool || t_returning) return;
        std::lock_guard<std::mutex> lock(mutex_);
        ++free_;
        t_returning = true;
    }

    ~Pool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        more_.notify_all();
        for (auto& t : threads_) t.join();
    }

private:
    void Serve() {
        t_inPool = true;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            more_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            --free_;
            std::function<void()> job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            job();
            if (const auto hook = g_returnHook.load(std::memory_order_acquire)) hook();
            lock.lock();
            if (!std::exchange(t_returning, false)) ++free_;
        }
    }

    std::mutex mutex_;
    std::condition_variable more_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    // Threads that will take a queued job without a new one: those waiting, those
    // still starting, and those on their way back from a job (Returning).
    int free_ = 0;
    bool stopping_ = false;
};

}  // namespace

int SimulationWorkerThreads() {
    const int n = g_workers.load(std::memory_order_relaxed);
    return n >= 1 ? n : DefaultWorkers();
}

void SetSimulationWorkerThreads(int n) { g_workers.store(n >= 1 ? n : 0, std::memory_order_relaxed); }

void SetPoolReturnHook(void (*hook)()) { g_returnHook.store(hook, std::memory_order_release); }

WorkerShares::WorkerShares(int n, std::function<void()> work) : work_(std::move(work)) {
    for (int i = 0; i < n; ++i) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++running_;
        }
        const bool ok = Pool::Instance().Submit([this] {
            std::exception_ptr failure;
            try {
                work_();
            } catch (...) {
                failure = std::current_exception();
            }
            Pool::Instance().Returning();
            Done(failure);
        });
        if (!ok) {
            std::lock_guard<std::mutex> lock(mutex_);
            --running_;
            break;
        }
        ++started_;
    }
}

void WorkerShares::Done(const std::exception_ptr& failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failure && !failure_) failure_ = failure;
    if (--running_ == 0) finished_.notify_all();
}

std::exception_ptr WorkerShares::AwaitAll() {
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [&] { return running_ == 0; });
    return std::exchange(failure_, nullptr);
}

void WorkerShares::Wait() {
    if (const std::exception_ptr failure = AwaitAll()) std::rethrow_exception(failure);
}

WorkerShares::~WorkerShares() { AwaitAll(); }

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
    const int threads = t_inPool ? 1 : std::min(SimulationWorkerThreads(), count);
    if (threads <= 1) {
        work();
    } else {
        // The threads that could be had and this one finish the work. While this thread
        // runs tasks it counts as one of the workers, so a loop nested in one of its tasks
        // stays on it as it does on the others, instead of sharing its task's data with
        // the pool's threads.
        WorkerShares shares(threads - 1, work);
        t_inPool = true;
        work();  // catches what its tasks raise
        t_inPool = false;
        shares.Wait();
    }
    for (auto& f : failures)
        if (f) std::rethrow_exception(f);
}

}  // namespace nuvir
