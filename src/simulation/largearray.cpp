#include "simulation/largearray.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace nuvir {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// The mapped length of a large block: whole huge pages.
std::size_t Mapped(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* AllocateLarge(std::size_t bytes) {
    if (bytes < kHugePage) {
        if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) return p;
        throw std::bad_alloc();
    }
    const std::size_t length = Mapped(bytes);
    if (length < bytes || length + kHugePage < length) throw std::bad_alloc();
    // A huge page more than needed, so that an aligned start lies inside; the rest goes
    // back at once.
    void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start) munmap(raw, aligned - start);
    char* const block = static_cast<char*>(raw) + (aligned - start);
    const std::size_t tail = start + kHugePage - aligned;  // what lies beyond the block
    if (tail > 0) munmap(block + length, tail);
    // Advice only: without huge pages the memory works the same.
    madvise(block, length, MADV_HUGEPAGE);
    return block;
}

void FreeLarge(void* p, std::size_t bytes) noexcept {
    if (!p) return;
    if (bytes < kHugePage)
        std::free(p);
    else
        munmap(p, Mapped(bytes));
}

}  // namespace nuvir
