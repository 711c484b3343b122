#pragma once
// Worker threads for the work after the trial loop: sorting and ranking columns,
// correlations and the regression fits are independent per column or per fit, so they
// may run side by side. Every task computes exactly what it would on one thread, so
// results do not depend on the number of workers.
#include <functional>

namespace nuvir {

// Number of threads the post-trial steps may use (at least 1). Defaults to the
// environment's NUVIR_WORKERS, else to the processors the process may run on.
int SimulationWorkerThreads();
// n < 1 restores the default; 1 runs everything on the calling thread.
void SetSimulationWorkerThreads(int n);

// Runs task(i) for i = 0 to count - 1 on up to SimulationWorkerThreads() threads and
// waits for all. If tasks throw, the exception of the lowest failing index is rethrown
// after every task has ended.
void ParallelFor(int count, const std::function<void(int)>& task);

}  // namespace nuvir
