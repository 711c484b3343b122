// The benchmarks' main: Google Benchmark's own, then the application object (if a
// benchmark made one) deleted while Qt can still tear it down.
#include <benchmark/benchmark.h>

#include "benchapp.h"
#include "platform/services_qt.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    nuvir::InstallQtServices();
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    EndBenchApplication();
    return 0;
}
