// Headers that promise huge images in files of a few bytes are refused
// before anything of their size is allocated: this program replaces the
// global allocation functions with ones that note the largest request, so a
// reader that allocated first and checked later would fail here even with
// memory to spare. The same holds through Open and the view's load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <new>

#include "bmp_test_support.h"
#include "docview/doc.h"
#include "docview/view.h"
#include "formats/read_picture.h"
#include "image/bmp_messages.h"
#include "image/dib.h"
#include "support/fake_platform.h"
#include "support/test_data.h"

namespace {

std::size_t g_largestRequest = 0;

void* Allocate(std::size_t size) {
    if (size > g_largestRequest) g_largestRequest = size;
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

// The replacements pair malloc with free; the compiler cannot see that
// every operator new here is malloc underneath.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
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

namespace lintra::testing {
namespace {

// Nothing a refused file causes may come near the size its header promises.
constexpr std::size_t kSmallRequest = 1 << 20;

struct Promise {
    const char* name;
    int bits;
    std::int32_t width, height;
    std::uint32_t compression;
    const char* message;
};

const Promise kPromises[] = {
    {"Grey60000Squared", 8, 60000, 60000, kBiRgb, kMsgNoPixels},
    {"Colour60000Squared", 24, 60000, 60000, kBiRgb, kMsgTooLarge},
    {"TopDown60000Squared", 8, 60000, -60000, kBiRgb, kMsgNoPixels},
    {"Rle60000Squared", 8, 60000, 60000, kBiRle8, kMsgTooLarge},
    {"WidestRow", 24, std::numeric_limits<std::int32_t>::max(), 1, kBiRgb, kMsgTooLarge},
    {"TallestColumn", 8, 1, std::numeric_limits<std::int32_t>::max(), kBiRgb, kMsgTooLarge},
    {"OneBitWall", 1, 2000000000, 2000000000, kBiRgb, kMsgTooLarge},
    {"Grey30000By20000", 8, 30000, 20000, kBiRgb, kMsgNoPixels},
};

// A file with the promise in its header, a full grey colour table for 8
// bits, and eight bytes of pixels.
Bytes PromiseFile(const Promise& p) {
    BmpBuilder b = BmpBuilder::Indexed8(2, 2, p.bits <= 8 ? 256 : 0, [](int, int) { return 0; });
    b.info.biBitCount = static_cast<std::uint16_t>(p.bits);
    if (p.bits == 1) {
        b.table.resize(2);
        b.info.biClrUsed = 2;
    }
    b.info.biWidth = p.width;
    b.info.biHeight = p.height;
    b.info.biCompression = p.compression;
    b.info.biSizeImage = 0;
    b.rows.assign(8, 0);
    return b.Fit().Build();
}

class AllocationBoundTest : public ::testing::TestWithParam<Promise> {
protected:
    TempDir dir;
    RecordingSink sink;
};

TEST_P(AllocationBoundTest, ReaderRefusesBeforeAllocating) {
    const std::string path = (dir / "promise.bmp");
    WriteBytes(path, PromiseFile(GetParam()));
    Dib dib;
    g_largestRequest = 0;
    ReadPicture(dib, path, sink);
    EXPECT_LT(g_largestRequest, kSmallRequest);
    EXPECT_EQ(dib.m_bValid, 0);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].first, GetParam().message);
    EXPECT_TRUE(dib.IsEmpty());
}

TEST_P(AllocationBoundTest, OpenRefusesBeforeAllocatingAndTheViewLoadsNothing) {
    const std::string path = (dir / "promise.bmp");
    WriteBytes(path, PromiseFile(GetParam()));
    test::FakePlatform platform;
    platform.tempDirectory = platform.programDirectory = "/nonexistent";
    CLintraDoc doc(platform);
    CLintraView view(doc, platform, platform);
    g_largestRequest = 0;
    EXPECT_FALSE(doc.OpenPath(path));
    view.LoadPendingImage();
    EXPECT_LT(g_largestRequest, kSmallRequest);
    EXPECT_EQ(platform.messages, std::vector<std::string>{GetParam().message});
    EXPECT_TRUE(platform.fileErrors.empty());
    EXPECT_EQ(doc.m_bImageOpen, 0);
    EXPECT_EQ(doc.m_bReloadPending, 0);
    EXPECT_TRUE(view.CurrentImage().IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Promises, AllocationBoundTest, ::testing::ValuesIn(kPromises),
                         [](const ::testing::TestParamInfo<Promise>& info) { return info.param.name; });

// The other readers check the budget on the header too: a PNG whose header
// promises 100000 x 100000 pixels in 6 KB, the same promise in a PGM header,
// and 60000 x 60000 in the frame header of a real JPEG.
TEST(AllocationBoundFormatsTest, PromisesBeyondTheBudgetCostNoMemory) {
    TempDir dir;
    Bytes jpeg = ReadBytes(test::RequireFixture(test::kTestData + "/formats/lamp_194x285_grey.jpg"));
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            // FF C0, length, precision, height, width (big-endian).
            jpeg[i + 5] = 0xEA, jpeg[i + 6] = 0x60, jpeg[i + 7] = 0xEA, jpeg[i + 8] = 0x60;  // 60000
            break;
        }
    const std::string pgm = "P5 100000 100000 255\n";
    WriteBytes(dir / "promise.pgm", Bytes(pgm.begin(), pgm.end()));
    WriteBytes(dir / "promise.jpg", jpeg);
    const std::pair<std::string, std::string> promises[] = {
        {test::RequireFixture(test::kTestData + "/formats/bomb_100000x100000.png"), "100000 x 100000"},
        {dir / "promise.pgm", "100000 x 100000"},
        {dir / "promise.jpg", "60000 x 60000"}};
    for (const auto& [path, size] : promises) {
        RecordingSink sink;
        Dib dib;
        g_largestRequest = 0;
        ReadPicture(dib, path, sink);
        EXPECT_LT(g_largestRequest, kSmallRequest) << path;
        EXPECT_EQ(sink.Texts(),
                  std::vector<std::string>{"打开失败,图像有" + size + "个像素,超过了300000000个像素的上限!"})
            << path;
    }
}

// The counter itself works: an honest file costs its own size.
TEST(AllocationCounterTest, SeesTheBlockOfAnHonestFile) {
    TempDir dir;
    RecordingSink sink;
    const std::string path = (dir / "honest.bmp");
    WriteBytes(path, BmpBuilder::Indexed8(1200, 1000, 256, [](int x, int y) { return x ^ y; }).Build());
    Dib dib;
    g_largestRequest = 0;
    ReadPicture(dib, path, sink);
    ASSERT_EQ(dib.m_bValid, 1);
    EXPECT_GE(g_largestRequest, 1200u * 1000u);
}

}  // namespace
}  // namespace lintra::testing
