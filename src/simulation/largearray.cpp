#include "simulation/largearray.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace nuvir {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

void* AllocateLarge(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (bytes < kHugePage) {
        if (void* p = std::malloc(bytes)) return p;
        throw std::bad_alloc();
    }
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    if (rounded < bytes) throw std::bad_alloc();
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (!p) throw std::bad_alloc();
    // Advice only: without huge pages the memory works the same.
    madvise(p, rounded, MADV_HUGEPAGE);
    return p;
}

void FreeLarge(void* p) noexcept { std::free(p); }

}  // namespace nuvir
