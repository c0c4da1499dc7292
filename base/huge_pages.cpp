#include "base/huge_pages.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace lintra {

void AdviseHugePages(void* p, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (p != nullptr) madvise(p, bytes, MADV_HUGEPAGE);
#else
    (void)p, (void)bytes;
#endif
}

void PrefaultPages(void* p, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto first = (reinterpret_cast<std::uintptr_t>(p) + page - 1) / page * page;
    const auto last = (reinterpret_cast<std::uintptr_t>(p) + bytes) / page * page;
    if (p != nullptr && last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)p, (void)bytes;
#endif
}

void* AllocateHugeAligned(std::size_t bytes) noexcept {
    if (bytes > static_cast<std::size_t>(-1) - kHugePage) return nullptr;
    const std::size_t rounded =
        (bytes + kHugePage - 1) / kHugePage * kHugePage;  // aligned_alloc wants a multiple
    void* p = std::aligned_alloc(kHugePage, rounded);
    AdviseHugePages(p, rounded);
    return p;
}

}  // namespace lintra
