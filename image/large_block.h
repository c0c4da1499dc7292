// Uninitialised blocks for whole images and their working copies. A block of
// 2 MB or more is aligned to 2 MB and advised to use huge pages where the
// system offers them: the first touch of every 4 KB page costs a fault, and
// on a virtual machine the faults of one A4 page (2100 of them) can take
// longer than the operation that fills it.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace lintra {

struct LargeBlockFree {
    void operator()(void* p) const { std::free(p); }
};

template <typename T>
using LargeBlock = std::unique_ptr<T[], LargeBlockFree>;

// count elements, uninitialised; nullptr when the memory cannot be had.
template <typename T>
LargeBlock<T> TryAllocateLarge(std::size_t count) {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (count > (std::size_t(-1) - kHuge) / sizeof(T)) return nullptr;
    std::size_t bytes = count * sizeof(T);
    if (bytes < kHuge) return LargeBlock<T>(static_cast<T*>(std::malloc(bytes == 0 ? 1 : bytes)));
    bytes = (bytes + kHuge - 1) / kHuge * kHuge;  // aligned_alloc wants a multiple
    void* p = std::aligned_alloc(kHuge, bytes);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (p != nullptr) madvise(p, bytes, MADV_HUGEPAGE);  // only advice: failure changes nothing
#endif
    return LargeBlock<T>(static_cast<T*>(p));
}

// As TryAllocateLarge, throwing std::bad_alloc when the memory cannot be had.
template <typename T>
LargeBlock<T> AllocateLarge(std::size_t count) {
    LargeBlock<T> block = TryAllocateLarge<T>(count);
    if (!block) throw std::bad_alloc();
    return block;
}

}  // namespace lintra
