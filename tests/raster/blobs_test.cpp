// Small-blob removal: the hand-worked cases, the border rule, many blobs,
// and a comparison with a plain transcription of the pixel-by-pixel
// labelling with merges by relabelling on random images.
#include "raster/blobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "tests/raster/contour_test_image.h"

namespace lintra {
namespace {

using contour_testing::FromPicture;
using contour_testing::TestImage;

// The labelling as its steps are written, with 32-bit labels (0 = none), an
// area table that grows, and the outermost rows and columns read as white.
struct LiteralLabels {
    std::vector<std::int32_t> label;  // W x H, bottom row first
    std::vector<std::int32_t> area{0};
    std::int32_t counter = 0;
};

LiteralLabels LiteralLabel(const TestImage& image) {
    const int w = image.width(), h = image.height();
    LiteralLabels s;
    s.label.assign(static_cast<std::size_t>(w) * h, 0);
    auto lab = [&](int x, int y) -> std::int32_t& { return s.label[static_cast<std::size_t>(y) * w + x]; };
    auto black = [&](int x, int y) {
        return x >= 1 && y >= 1 && x <= w - 2 && y <= h - 2 && image.at(x, y) == 0;
    };
    auto merge = [&](std::int32_t m, std::int32_t c) {
        for (int y = h - 2; y >= 0; --y)
            for (int x = 1; x <= w - 1; ++x)
                if (lab(x, y) == m) {
                    lab(x, y) = c;
                    s.area[m] = 0;
                    ++s.area[c];
                }
    };
    for (int y = h - 2; y >= 1; --y)
        for (int x = 1; x <= w - 2; ++x) {
            if (image.at(x, y) != 0) continue;
            std::int32_t cur;
            if (black(x + 1, y + 1)) {
                cur = lab(x + 1, y + 1);
                lab(x, y) = cur;
                ++s.area[cur];
                if (black(x - 1, y) && lab(x - 1, y) != cur) merge(lab(x - 1, y), cur);
                if (black(x - 1, y + 1) && lab(x - 1, y + 1) != cur) merge(lab(x - 1, y + 1), cur);
                continue;
            }
            if (black(x, y + 1)) {
                cur = lab(x, y + 1);
            } else if (black(x - 1, y + 1)) {
                cur = lab(x - 1, y + 1);
            } else if (black(x - 1, y)) {
                cur = lab(x - 1, y);
            } else {
                cur = ++s.counter;
                s.area.push_back(0);
            }
            lab(x, y) = cur;
            ++s.area[cur];
        }
    return s;
}

void LiteralRemove(TestImage& image, int minimumArea) {
    const LiteralLabels s = LiteralLabel(image);
    const int w = image.width(), h = image.height();
    for (std::int32_t l = 1; l <= s.counter; ++l) {
        if (!(s.area[l] < minimumArea)) continue;
        for (int y = 1; y <= h - 2; ++y)
            for (int x = 1; x <= w - 2; ++x)
                if (s.label[static_cast<std::size_t>(y) * w + x] == l) image.at(x, y) = 255;
    }
}

TestImage Removed(const TestImage& image, int minimumArea) {
    TestImage out = image;
    BlobLabelState state;
    RemoveSmallBlackBlobs(state, out.view(), minimumArea);
    EXPECT_TRUE(out.paddingIntact());
    return out;
}

TEST(RemoveSmallBlackBlobs, BlobsAreEightConnectedAndJudgedByArea) {
    const TestImage image = FromPicture({
        "..........",
        ".#.....#..",
        "..#...##..",
        "..........",
        ".###......",
        "..........",
    });
    // The diagonal pair is one blob of area 2; the run of three and the
    // corner of three stay at the menu's minimum area of 3.
    EXPECT_EQ(Removed(image, 3).picture(), FromPicture({
                                                           "..........",
                                                           ".......#..",
                                                           "......##..",
                                                           "..........",
                                                           ".###......",
                                                           "..........",
                                                       })
                                               .picture());
    EXPECT_TRUE(Removed(image, 4).samePixels(TestImage(10, 6)));
    // No blob is smaller than 2 pixels, so up to 2 nothing goes.
    for (int a : {-5, 0, 1, 2}) EXPECT_TRUE(Removed(image, a).samePixels(image)) << a;
}

TEST(RemoveSmallBlackBlobs, AVIsOneBlobWithTheSummedArea) {
    // The arms meet only in the lowest row: they start as two blobs and are
    // judged as one of seven pixels.
    const TestImage v = FromPicture({
        ".......",
        ".#...#.",
        "..#.#..",
        "...#...",
        ".......",
    });
    BlobLabelState state;
    LabelBlackBlobs(state, TestImage(v).view());
    ASSERT_EQ(state.labelCounter, 1);
    EXPECT_EQ(state.area[1], 5);
    EXPECT_TRUE(Removed(v, 5).samePixels(v));
    EXPECT_TRUE(Removed(v, 6).samePixels(TestImage(7, 5)));
}

TEST(RemoveSmallBlackBlobs, BorderPixelsJoinNoBlobAndStay) {
    // A black frame with two interior pixels touching it: the frame is never
    // labelled, so each interior pixel is a blob of its own area.
    TestImage image(8, 6, 0);
    for (int y = 1; y <= 4; ++y)
        for (int x = 1; x <= 6; ++x) image.at(x, y) = 255;
    image.at(1, 1) = 0;
    image.at(6, 3) = 0;
    image.at(5, 3) = 0;
    image.at(4, 3) = 0;
    TestImage out = Removed(image, 3);
    EXPECT_EQ(out.at(1, 1), 255);
    EXPECT_EQ(out.at(5, 3), 0);
    for (int x = 0; x < 8; ++x) EXPECT_TRUE(out.at(x, 0) == 0 && out.at(x, 5) == 0);
    for (int y = 0; y < 6; ++y) EXPECT_TRUE(out.at(0, y) == 0 && out.at(7, y) == 0);

    // Nothing but border: nothing labelled, nothing removed.
    for (auto [w, h] : {std::pair{1, 1}, {2, 7}, {9, 2}, {3, 3}}) {
        TestImage all(w, h, 0);
        if (w == 3) all.at(1, 1) = 255;
        BlobLabelState state;
        LabelBlackBlobs(state, all.view());
        EXPECT_EQ(state.labelCounter, 0);
        EXPECT_TRUE(Removed(all, 255).samePixels(all));
    }
}

TEST(RemoveSmallBlackBlobs, DeeperImagesAreLeftAlone) {
    TestImage image(5, 5);
    image.at(2, 2) = 0;
    ImageView deep = image.view();
    deep.bitCount = 24;
    BlobLabelState state;
    LabelBlackBlobs(state, image.view());
    ASSERT_EQ(state.labelCounter, 1);
    RemoveSmallBlackBlobs(state, deep, 3);
    EXPECT_EQ(image.at(2, 2), 0);
    EXPECT_EQ(state.labelCounter, 0);
}

TEST(RemoveSmallBlackBlobs, ManyThousandsOfSpecksLoseExactlyTheSmallOnes) {
    // 75 000 blobs on a grid of 4 x 4 cells: cell (i, j) holds a speck of
    // 1, 2, 3 or 4 pixels, so labels pass 254, 65 535 and every byte wrap.
    const int rows = 300;
    const int cols = 250;
    TestImage image(cols * 4 + 3, rows * 4 + 3);
    TestImage expected = image;
    int kept = 0;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            const int size = 1 + (i * 7 + j * 3) % 4;
            const int x = 2 + j * 4, y = 2 + i * 4;
            const int dx[] = {0, 1, 0, 1}, dy[] = {0, 0, 1, 1};
            for (int p = 0; p < size; ++p) {
                image.at(x + dx[p], y + dy[p]) = 0;
                if (size >= 3) expected.at(x + dx[p], y + dy[p]) = 0;
            }
            kept += size >= 3;
        }
    BlobLabelState state;
    TestImage out = image;
    LabelBlackBlobs(state, out.view());
    EXPECT_EQ(state.labelCounter, rows * cols);
    RemoveSmallBlackBlobs(state, out.view(), 3);
    EXPECT_TRUE(out.samePixels(expected));
    EXPECT_TRUE(out.paddingIntact());
    LabelBlackBlobs(state, out.view());
    EXPECT_EQ(state.labelCounter, kept);
}

// Random drawings of the kinds that stress the merges: filled blobs, V shapes
// whose arms meet low down, diagonals, specks, and the odd grey pixel.
TestImage RandomDrawing(std::mt19937& rng) {
    const int w = 1 + static_cast<int>(rng() % 26);
    const int h = 1 + static_cast<int>(rng() % 26);
    TestImage image(w, h);
    auto put = [&](int x, int y, std::uint8_t v) {
        if (x >= 0 && y >= 0 && x < w && y < h) image.at(x, y) = v;
    };
    const int shapes = static_cast<int>(rng() % 8);
    for (int s = 0; s < shapes; ++s) {
        const int x = static_cast<int>(rng() % static_cast<unsigned>(w));
        const int y = static_cast<int>(rng() % static_cast<unsigned>(h));
        const int n = 1 + static_cast<int>(rng() % 8);
        switch (rng() % 5) {
            case 0:  // filled blob
                for (int dy = 0; dy < n / 2 + 1; ++dy)
                    for (int dx = 0; dx < n; ++dx) put(x + dx, y + dy, 0);
                break;
            case 1:  // V, or its mirror: arms meet at the bottom or the top
            {
                const int dir = rng() % 2 ? 1 : -1;
                for (int i = 0; i < n; ++i) {
                    put(x - i, y + dir * i, 0);
                    put(x + i, y + dir * i, 0);
                }
                break;
            }
            case 2:  // diagonal either way
            {
                const int dir = rng() % 2 ? 1 : -1;
                for (int i = 0; i < n; ++i) put(x + i, y + dir * i, 0);
                break;
            }
            case 3:  // specks
                for (int i = 0; i < n; ++i)
                    put(static_cast<int>(rng() % static_cast<unsigned>(w)),
                        static_cast<int>(rng() % static_cast<unsigned>(h)), 0);
                break;
            default:  // a grey pixel: neither black nor labelled
                put(x, y, static_cast<std::uint8_t>(1 + rng() % 254));
        }
    }
    if (rng() % 6 == 0) {  // dense noise
        for (int yy = 0; yy < h; ++yy)
            for (int xx = 0; xx < w; ++xx)
                if (rng() % 2) image.at(xx, yy) = 0;
    }
    return image;
}

TEST(RemoveSmallBlackBlobs, MatchesTheLiteralLabellingOnRandomImages) {
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    BlobLabelState state;  // reused, as the view does
    for (int round = 0; round < 4000; ++round) {
        const TestImage image = RandomDrawing(rng);
        // Blob areas: the literal run's surviving areas are the blobs' areas.
        const LiteralLabels literal = LiteralLabel(image);
        std::vector<std::int64_t> expected_areas;
        for (std::int32_t l = 1; l <= literal.counter; ++l)
            if (literal.area[l] != 0) expected_areas.push_back(literal.area[l]);
        TestImage labelled = image;
        LabelBlackBlobs(state, labelled.view());
        std::vector<std::int64_t> areas(state.area.begin() + 1, state.area.end());
        std::sort(expected_areas.begin(), expected_areas.end());
        std::sort(areas.begin(), areas.end());
        ASSERT_EQ(areas, expected_areas) << "seed " << seed << " round " << round << "\n" << image.picture();
        ASSERT_TRUE(labelled.samePixels(image));

        const int minimum_areas[] = {static_cast<int>(rng() % 256), static_cast<int>(rng() % 8), 3};
        for (int a : minimum_areas) {
            TestImage fast = image;
            TestImage slow = image;
            RemoveSmallBlackBlobs(state, fast.view(), a);
            LiteralRemove(slow, a);
            ASSERT_TRUE(fast.samePixels(slow))
                << "seed " << seed << " round " << round << " minimum area " << a << "\n"
                << image.picture();
            ASSERT_TRUE(fast.paddingIntact()) << "seed " << seed;
        }
    }
}

}  // namespace
}  // namespace lintra
