// The program's operator new and delete: blocks of 2 MB or more come on huge
// pages where the system offers them, everything else from malloc as usual.
//
// Lintra's working set is a handful of whole-image blocks (an A4 page is
// 8.7 MB in grey, 26 MB in colour) that each live for one command or one
// load. The first touch of every 4 KB page costs a fault, and on a virtual
// machine those faults alone took longer than opening, thinning and
// vectorising the page together; with 2 MB pages there are 500 times fewer.
// Every block goes back with free(), whichever way it was obtained. Builds
// with the address sanitizer keep its own operators, which check new against
// delete.
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
#include <sys/mman.h>

namespace {

void* Allocate(std::size_t bytes) noexcept {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (bytes < kHuge) return std::malloc(bytes == 0 ? 1 : bytes);
    if (bytes > static_cast<std::size_t>(-1) - kHuge) return nullptr;
    const std::size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;  // aligned_alloc wants a multiple
    void* p = std::aligned_alloc(kHuge, rounded);
#if defined(MADV_HUGEPAGE)
    if (p != nullptr) madvise(p, rounded, MADV_HUGEPAGE);  // only advice: a refusal changes nothing
#endif
    return p;
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
