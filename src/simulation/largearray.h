#pragma once
// Storage for the run's large arrays: the trial table and the sorts' work space.
// Memory from the system is cleared page by page when first touched, and in pages of
// 4 KB that costs more than a whole pass of the run's work over a column of a million
// values. So blocks of 2 MB or more are aligned to, and advised for, huge pages (the
// system grants them or not), and the contents start undefined.
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

namespace nuvir {

// At least `bytes`, aligned for any scalar; raises std::bad_alloc when there is none.
// Blocks of 2 MB or more are mapped from the system and go back to it when freed
// (the allocator would keep them for the thread that freed them, and a run's worker
// threads live on).
void* AllocateLarge(std::size_t bytes);
// Frees what AllocateLarge gave for the same `bytes`.
void FreeLarge(void* p, std::size_t bytes) noexcept;

struct LargeFree {
    std::size_t bytes = 0;
    void operator()(void* p) const noexcept { FreeLarge(p, bytes); }
};

template <class T>
using LargeArray = std::unique_ptr<T[], LargeFree>;

// n elements, not initialised.
template <class T>
LargeArray<T> MakeLargeArray(std::size_t n) {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    const std::size_t bytes = n * sizeof(T);
    return LargeArray<T>(static_cast<T*>(AllocateLarge(bytes)), LargeFree{bytes});
}

}  // namespace nuvir
