#pragma once
// Worker threads for the run: the trials, and after them sorting and ranking columns,
// correlations and the regression fits, which are independent per block, column or
// fit. Every task computes exactly what it would on one thread, so results do not
// depend on the number of workers.
//
// The threads belong to one process-wide pool and wait between tasks: starting a
// thread costs a tenth of a millisecond or more on some systems, which a short run
// would otherwise pay at each of its steps.
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

namespace nuvir {

// Number of threads the run may use (at least 1): the count set (which tests and
// benchmarks use to try other counts), else the environment's NUVIR_WORKERS held to
// the processors the process may run on, else those processors.
int SimulationWorkerThreads();
// n < 1 restores the default; 1 runs everything on the calling thread.
void SetSimulationWorkerThreads(int n);

// Runs task(i) for i = 0 to count - 1 on up to SimulationWorkerThreads() threads (the
// calling one among them) and waits for all. If tasks throw, the exception of the
// lowest failing index is rethrown after every task has ended. Called from inside a
// task, it runs its tasks on that thread.
void ParallelFor(int count, const std::function<void(int)>& task);

// For tests: called on a pool thread after each job, before it is back to wait for the
// next (null, the default, calls nothing and costs one load of the pointer). A test
// holds a thread there, on its way back, to see what the pool does meanwhile.
void SetPoolReturnHook(void (*hook)());

// `work` running on up to n threads of the pool at once, while the caller goes on.
// Fewer start when no more threads can be had (started() says how many). The
// destructor waits for them; Wait() also rethrows what one of them threw.
class WorkerShares {
public:
    WorkerShares(int n, std::function<void()> work);
    ~WorkerShares();
    WorkerShares(const WorkerShares&) = delete;
    WorkerShares& operator=(const WorkerShares&) = delete;
    int started() const { return started_; }
    void Wait();

private:
    void Done(const std::exception_ptr& failure);
    // Waits until every share has ended; what one of them threw, if any.
    std::exception_ptr AwaitAll();

    std::function<void()> work_;
    int started_ = 0;
    int running_ = 0;
    std::exception_ptr failure_;
    std::mutex mutex_;
    std::condition_variable finished_;
};

}  // namespace nuvir
