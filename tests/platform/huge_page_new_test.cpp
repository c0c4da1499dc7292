// The one-job programs' operator new: malloc's heap grows on huge pages.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace lintra::test {
namespace {

// The VmFlags line of the mapping holding address in /proc/self/smaps;
// empty when no mapping holds it.
std::string MappingFlags(const void* address) {
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t begin = 0;
        std::uintptr_t end = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> begin >> dash >> end && dash == '-') {
            inside = begin <= a && a < end;
        } else if (inside && line.starts_with("VmFlags:")) {
            return line;
        }
    }
    return "";
}

bool Skipped() {
#if defined(__SANITIZE_ADDRESS__)
    return true;  // the sanitizer's own operator new
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return !std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled");
}

TEST(HugePageNewTest, TablesThatGrowTheHeapComeOnHugePages) {
    if (Skipped()) GTEST_SKIP() << "no huge pages, or the sanitizer's operator new";
    // 40 MB in blocks under 2 MB: the heap grows by more than one step.
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int i = 0; i < 40; ++i) {
        blocks.push_back(std::make_unique<char[]>(std::size_t{1} << 20));
        std::memset(blocks.back().get(), i, std::size_t{1} << 20);
    }
    EXPECT_NE(MappingFlags(blocks[39].get()).find(" hg"), std::string::npos)
        << MappingFlags(blocks[39].get());
    EXPECT_EQ(blocks[39][12345], 39);
}

}  // namespace
}  // namespace lintra::test
