// Faulting pages in ahead of their first write: the pages are there
// afterwards, and what they held is kept.
#include "base/huge_pages.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lintra {
namespace {

// How many of the pages from p on are in memory.
std::size_t Resident(void* p, std::size_t pages, std::size_t page) {
    std::vector<unsigned char> in(pages);
    if (mincore(p, pages * page, in.data()) != 0) return 0;
    std::size_t count = 0;
    for (unsigned char c : in) count += c & 1u;
    return count;
}

TEST(HugePagesTest, PrefaultedPagesAreInMemoryBeforeTheirFirstWrite) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t pages = 64;
    void* p = mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(p, MAP_FAILED);
    ASSERT_EQ(Resident(p, pages, page), 0u);
    // From the middle of the first page to the middle of the last: the
    // whole pages between.
    PrefaultPages(static_cast<char*>(p) + page / 2, (pages - 1) * page);
    const std::size_t resident = Resident(p, pages, page);
#if defined(MADV_POPULATE_WRITE)
    if (resident == 0 && madvise(p, page, MADV_POPULATE_WRITE) != 0 && errno == EINVAL)
        GTEST_SKIP() << "the system cannot fault pages in ahead";
    EXPECT_EQ(resident, pages - 2);
#else
    GTEST_SKIP() << "built without the advice to fault pages in ahead";
#endif
    munmap(p, pages * page);
}

TEST(HugePagesTest, PrefaultingKeepsWhatThePagesHold) {
    std::vector<std::uint32_t> values(1 << 16);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::uint32_t>(i * 2654435761u);
    const std::vector<std::uint32_t> before = values;
    PrefaultPages(values.data() + 3, (values.size() - 5) * sizeof(std::uint32_t));
    EXPECT_EQ(values, before);
}

}  // namespace
}  // namespace lintra
