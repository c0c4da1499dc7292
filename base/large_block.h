// Uninitialised blocks for whole images and their working copies, those of
// 2 MB or more on huge pages (base/huge_pages.h).
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

#include "base/huge_pages.h"

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
    if (count > (std::size_t(-1) - kHugePage) / sizeof(T)) return nullptr;
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kHugePage) return LargeBlock<T>(static_cast<T*>(std::malloc(bytes == 0 ? 1 : bytes)));
    return LargeBlock<T>(static_cast<T*>(AllocateHugeAligned(bytes)));
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
    if (count > (std::size_t(-1) - kHugePage) / sizeof(T)) throw std::bad_alloc();
    const std::size_t bytes = count * sizeof(T);
#if defined(__linux__)
    if (bytes >= kHugePage) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        AdviseHugePages(p, bytes);
        return ZeroedLargeBlock<T>(static_cast<T*>(p), ZeroedLargeBlockFree(bytes, true));
    }
#endif
    void* p = std::calloc(count == 0 ? 1 : count, sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return ZeroedLargeBlock<T>(static_cast<T*>(p), ZeroedLargeBlockFree(bytes, false));
}

}  // namespace lintra
