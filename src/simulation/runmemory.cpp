#include "simulation/runmemory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

#include "runtime/error.h"
#include "simulation/trialtable.h"
#include "simulation/workers.h"

namespace nuvir::runmemory {

namespace {

// Beside the table, each worker sorts or ranks a column at a time in copies of it:
// two Doubles a trial per worker. A whole run measured 211 bytes a trial with two
// workers at 10^6 trials (the formula gives 208), and 275 with more at 10^7.
constexpr std::uint64_t kWorkBytesPerTrialAndWorker = 2 * sizeof(double);
// The results, the plots and the worker threads' stacks.
constexpr std::uint64_t kFixedBytes = 32ull << 20;

// A small file of the kernel's read whole (they are a few kB at most).
std::string ReadSmallFile(const char* path) {
    std::string text;
    if (std::FILE* f = std::fopen(path, "rb")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < (1u << 20)) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

// The unsigned whole number at the start of text (after blanks); nothing for "max" or
// anything else that is not one.
std::optional<std::uint64_t> LeadingNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data()) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> NumberIn(const std::string& path) { return LeadingNumber(ReadSmallFile(path.c_str())); }

// The memory cgroup of this process: the unified hierarchy's memory.max less
// memory.current, or the older one's limit_in_bytes less usage_in_bytes. Where the
// process's own group shows no limit, its parents' limits are not searched.
std::optional<std::uint64_t> CgroupRoom() {
    const std::string groups = ReadSmallFile("/proc/self/cgroup");
    std::size_t at = 0;
    while (at < groups.size()) {
        const std::size_t end = std::min(groups.find('\n', at), groups.size());
        const std::string_view line(groups.data() + at, end - at);
        at = end + 1;
        // "hierarchy:controllers:path"
        const std::size_t c1 = line.find(':');
        const std::size_t c2 = c1 == std::string_view::npos ? c1 : line.find(':', c1 + 1);
        if (c2 == std::string_view::npos) continue;
        const std::string_view controllers = line.substr(c1 + 1, c2 - c1 - 1);
        const std::string path(line.substr(c2 + 1));
        std::optional<std::uint64_t> limit, usage;
        if (line.substr(0, c1) == "0" && controllers.empty()) {
            limit = NumberIn("/sys/fs/cgroup" + path + "/memory.max");
            usage = NumberIn("/sys/fs/cgroup" + path + "/memory.current");
        } else if (controllers == "memory" || controllers.find("memory,") == 0 ||
                   controllers.find(",memory") != std::string_view::npos) {
            limit = NumberIn("/sys/fs/cgroup/memory" + path + "/memory.limit_in_bytes");
            usage = NumberIn("/sys/fs/cgroup/memory" + path + "/memory.usage_in_bytes");
        }
        // The older hierarchy writes "no limit" as a number near 2^63.
        if (limit && usage && *limit < (1ull << 62)) return *limit > *usage ? *limit - *usage : 0;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> AddressRoom() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    // The first number of /proc/self/statm: the address space in use, in pages.
    const auto pages = NumberIn("/proc/self/statm");
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (!pages || pageSize <= 0) return std::nullopt;
    const std::uint64_t used = *pages * static_cast<std::uint64_t>(pageSize);
    const auto cap = static_cast<std::uint64_t>(limit.rlim_cur);
    return cap > used ? cap - used : 0;
}

}  // namespace

std::uint64_t RunBytes(std::int32_t trials, int workers) {
    const std::uint64_t n = trials > 0 ? static_cast<std::uint64_t>(trials) : 0;
    // No more workers sort or rank at once than there are columns.
    const std::uint64_t w = static_cast<std::uint64_t>(std::clamp(workers, 1, TrialTable::kColumns));
    return n * (TrialTable::kColumns * sizeof(double) + w * kWorkBytesPerTrialAndWorker) + kFixedBytes;
}

std::optional<std::uint64_t> MemAvailableBytes(std::string_view meminfo) {
    constexpr std::string_view key = "MemAvailable:";
    std::size_t at = meminfo.find(key);
    // Only at the start of a line.
    while (at != std::string_view::npos && at > 0 && meminfo[at - 1] != '\n') at = meminfo.find(key, at + 1);
    if (at == std::string_view::npos) return std::nullopt;
    const auto kB = LeadingNumber(meminfo.substr(at + key.size()));
    if (!kB) return std::nullopt;
    return *kB * 1024;
}

Limits CurrentLimits() {
    Limits limits;
    limits.systemAvailable = MemAvailableBytes(ReadSmallFile("/proc/meminfo"));
    limits.cgroupRoom = CgroupRoom();
    limits.addressRoom = AddressRoom();
    return limits;
}

std::optional<std::uint64_t> Room(const Limits& limits) {
    std::optional<std::uint64_t> room;
    for (const auto& part : {limits.systemAvailable, limits.cgroupRoom, limits.addressRoom})
        if (part && (!room || *part < *room)) room = part;
    return room;
}

void CheckRunFits(std::int32_t trials) {
    const auto room = Room(CurrentLimits());
    if (room && RunBytes(trials, SimulationWorkerThreads()) > *room) RaiseOutOfMemory();
}

}  // namespace nuvir::runmemory
