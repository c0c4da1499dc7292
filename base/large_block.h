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

// A block whose elements all start at zero, handed out by the system as
// zero pages that cost nothing until first touched (huge ones from 2 MB).
class ZeroedLargeBlockFree {
public:
    ZeroedLargeBlockFree() = default;
    ZeroedLargeBlockFree(std::size_t bytes, bool mapped) : m_bytes(bytes), m_mapped(mapped) {}
    void operator()(void* p) const {
#if defined(__linux__)
        if (m_mapped) {
            munmap(p, m_bytes);
            return;
        }
#endif
        std::free(p);
    }

private:
    std::size_t m_bytes = 0;
    bool m_mapped = false;
};

template <typename T>
using ZeroedLargeBlock = std::unique_ptr<T[], ZeroedLargeBlockFree>;

// count zeroed elements; throws std::bad_alloc when the memory cannot be had.
template <typename T>
ZeroedLargeBlock<T> AllocateZeroedLarge(std::size_t count) {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (count > (std::size_t(-1) - kHuge) / sizeof(T)) throw std::bad_alloc();
    const std::size_t bytes = count * sizeof(T);
#if defined(__linux__)
    if (bytes >= kHuge) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
        madvise(p, bytes, MADV_HUGEPAGE);
#endif
        return ZeroedLargeBlock<T>(static_cast<T*>(p), ZeroedLargeBlockFree(bytes, true));
    }
#endif
    void* p = std::calloc(count == 0 ? 1 : count, sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return ZeroedLargeBlock<T>(static_cast<T*>(p), ZeroedLargeBlockFree(bytes, false));
}

}  // namespace lintra
