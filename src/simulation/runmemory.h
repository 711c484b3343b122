#pragma once
// Whether a run's tables can fit before it starts: a run that would outgrow the memory
// meets the system's out-of-memory killer half way through rather than an allocation
// that fails, so it is refused with the engine's "Out of memory" first.
#include <cstdint>
#include <optional>
#include <string_view>

namespace nuvir::runmemory {

// Bytes a run of `trials` on `workers` threads takes at its peak: the trial table and
// the statistics' work beside it (sorted and ranked columns, one per worker at a time),
// with room for the results.
std::uint64_t RunBytes(std::int32_t trials, int workers);

// What limits this process's memory now, each part nothing where it is unknown or
// unlimited.
struct Limits {
    std::optional<std::uint64_t> systemAvailable;  // MemAvailable of /proc/meminfo
    std::optional<std::uint64_t> cgroupRoom;       // the memory cgroup's limit less its usage
    std::optional<std::uint64_t> addressRoom;      // RLIMIT_AS less the address space in use
};
Limits CurrentLimits();
// The smallest of the known parts; nothing when none is known.
std::optional<std::uint64_t> Room(const Limits& limits);

// The number a "MemAvailable:   123 kB" line of /proc/meminfo gives, in bytes.
std::optional<std::uint64_t> MemAvailableBytes(std::string_view meminfo);

// Raises the runtime's Out of memory when RunBytes(trials, SimulationWorkerThreads(),
// the threads the run uses) exceeds the room there is.
void CheckRunFits(std::int32_t trials);

}  // namespace nuvir::runmemory
