// Palettor with its address space capped: a header promising a huge picture
// in a file of a few bytes is refused by its size check, not by running out
// of memory, so nothing of the promised size was asked for; an honest
// picture converts under the same cap.
#include <gtest/gtest.h>

#include "tests/palettor/palettor_test_support.h"

namespace lintra::palettor::test {
namespace {

// 64 MiB of address space: the program, its libraries and a small picture
// fit; the pixel buffer of any promise below does not.
const std::string kCapped = "ulimit -v 65536; exec ";

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

class PalettorBounds : public ::testing::Test {
protected:
    void SetUp() override {
        // AddressSanitizer reserves terabytes of address space at start-up.
        if (kAddressSanitizer) GTEST_SKIP() << "an address-space cap stops AddressSanitizer itself";
    }
    TempDir dir;
};

TEST_F(PalettorBounds, HugePromisesAreRefusedBeforeAllocating) {
    struct Case {
        std::int32_t width, height;
        std::string message;
    };
    for (const Case& c : {
             Case{60000, 60000, "The file has 62 bytes but its header needs 10800000054.\n"},
             Case{60000, -60000, "The file has 62 bytes but its header needs 10800000054.\n"},
             Case{20000, 20000, "The file has 62 bytes but its header needs 1200000054.\n"},
             Case{65536, 65536, "The image size 65536 x 65536 is too large.\n"},
         }) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        Bytes promise = Make24BitBmp(2, 1, {{1, 2, 3}, {4, 5, 6}});
        Put32(promise, 18, static_cast<std::uint32_t>(c.width));
        Put32(promise, 22, static_cast<std::uint32_t>(c.height));
        ASSERT_EQ(promise.size(), 62u);
        const std::string in = dir / "promise.bmp", out = dir / "out.bmp";
        WriteFile(in, promise);
        const RunResult run = RunPalettor({in, out}, kCapped);
        EXPECT_EQ(run.status, 255);
        EXPECT_EQ(run.output, "file " + in + " open success.\n" + c.message);
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(PalettorBounds, HonestPictureConvertsUnderTheSameCap) {
    const std::string in = dir / "honest.bmp", out = dir / "out.bmp";
    std::vector<Bgr> pixels;
    for (int i = 0; i < 400 * 300; ++i)
        pixels.push_back({static_cast<unsigned char>(i), static_cast<unsigned char>(i / 400), 128});
    WriteFile(in, Make24BitBmp(400, 300, pixels));
    const RunResult run = RunPalettor({in, out}, kCapped);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadFile(out).size(), 1078u + 400u * 300u);
}

}  // namespace
}  // namespace lintra::palettor::test
