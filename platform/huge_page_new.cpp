// The program's operator new and delete: blocks of 2 MB or more come on huge
// pages where the system offers them, everything else from malloc.
//
// Lintra's working set is a handful of whole-image blocks (an A4 page is
// 8.7 MB in grey, 26 MB in colour) that each live for one command or one
// load, and the tables of the operations (runs, contours, label rows), which
// grow from kilobytes to megabytes. The first touch of every 4 KB page costs
// a fault, and on a virtual machine those faults alone took longer than
// opening, thinning and vectorising the page together; with 2 MB pages there
// are 500 times fewer. Built with LINTRA_JOB_HEAP (the programs that run one
// job and end), malloc's heap grows in large steps that are advised to use
// huge pages too, and keeps its free memory for the next table. Every block
// goes back with free(), whichever way it was obtained. Builds with the
// address sanitizer keep its own operators, which check new against delete.
#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LINTRA_KEEP_STANDARD_NEW 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define LINTRA_KEEP_STANDARD_NEW 1
#endif

#if !defined(LINTRA_KEEP_STANDARD_NEW) && defined(__linux__)
#include "base/huge_pages.h"

#if defined(LINTRA_JOB_HEAP)
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#endif

namespace {

using lintra::kHugePage;

#if defined(LINTRA_JOB_HEAP)
// malloc's policy, set before the first block is handed out. The heap grows
// 16 MB at a time and keeps up to 32 MB free at its top: a table that
// doubles its way to megabytes, and the next operation's tables, reuse
// pages that were faulted in once instead of new ones. A block of 2 MB or
// more that the heap's free memory cannot hold is mapped on its own and goes
// back to the system when freed. Left to itself, malloc would map each block
// from 128 KB on separately, in 4 KB pages faulted in anew by every table
// that grows through that size, and would grow the heap in 128 KB steps that
// huge pages cannot follow (see AdviseHeapGrowth).
void SetMallocPolicy() noexcept {
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHugePage));
    mallopt(M_TOP_PAD, 16 << 20);
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
}

// Advises each part the heap (below the program break) has gained since the
// last look to use huge pages. malloc has then written one header into a
// new part, so the 2 MB page holding it stays in 4 KB pages, but the rest
// of a 16 MB step comes as huge pages when first touched. Safe from any
// thread: a second caller that finds the same growth gives the same advice
// again, which changes nothing.
std::atomic<std::uintptr_t> g_heapSeenTo{0};

void AdviseHeapGrowth() noexcept {
    const auto top = reinterpret_cast<std::uintptr_t>(sbrk(0));
    std::uintptr_t seen = g_heapSeenTo.load(std::memory_order_relaxed);
    if (top == seen || top == static_cast<std::uintptr_t>(-1)) return;
    if (!g_heapSeenTo.compare_exchange_strong(seen, top, std::memory_order_relaxed)) return;
    // The first look finds the heap in use already; a heap that shrank is
    // advised again as it grows back.
    if (seen == 0 || top < seen) return;
    const std::uintptr_t from = seen & ~std::uintptr_t{4095};
    lintra::AdviseHugePages(reinterpret_cast<void*>(from), top - from);
}

#else
// The desktop program: malloc's own policy.
void SetMallocPolicy() noexcept {}
void AdviseHeapGrowth() noexcept {}
#endif

void* Allocate(std::size_t bytes) noexcept {
    static const bool policySet = (SetMallocPolicy(), true);
    (void)policySet;
    if (bytes < kHugePage) {
        void* p = std::malloc(bytes == 0 ? 1 : bytes);
        AdviseHeapGrowth();
        return p;
    }
    return lintra::AllocateHugeAligned(bytes);
}

void* AllocateOrThrow(std::size_t bytes) {
    while (true) {
        if (void* p = Allocate(bytes)) return p;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void* AllocateOrNull(std::size_t bytes) noexcept {
    try {
        return AllocateOrThrow(bytes);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void* operator new(std::size_t bytes) {
    return AllocateOrThrow(bytes);
}
void* operator new[](std::size_t bytes) {
    return AllocateOrThrow(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return AllocateOrNull(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return AllocateOrNull(bytes);
}

void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

#endif
