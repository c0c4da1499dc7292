// Huge pages: the first touch of every 4 KB page costs a fault, and on a
// virtual machine the faults of one A4 page (2100 of them) can take longer
// than the operation that fills it. Blocks of 2 MB or more are aligned to
// 2 MB and advised to use huge pages where the system offers them; every
// such advice in the program is given here.
#pragma once

#include <cstddef>

namespace lintra {

inline constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Advises the bytes from p on to use huge pages; only advice, a refusal or a
// system without them changes nothing.
void AdviseHugePages(void* p, std::size_t bytes) noexcept;

// Has the system fault in at once the whole pages among the bytes from p
// on, ready to be written, so that their first writes do not each stop for
// a fault; a thread can do it ahead of the one that will write them. The
// contents are left as they are; only advice, like the above.
void PrefaultPages(void* p, std::size_t bytes) noexcept;

// bytes (at least kHugePage) rounded up to whole huge pages, aligned to one
// and advised, uninitialised, to be given back with free(); nullptr when the
// memory cannot be had.
void* AllocateHugeAligned(std::size_t bytes) noexcept;

}  // namespace lintra
