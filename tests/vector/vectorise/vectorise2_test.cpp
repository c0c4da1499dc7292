// Vectorise 2: the step choice, the worked strokes with their
// numeric-control text, grey values, sizes beyond 16 bits, and comparison
// with the plain transcription on random pictures.
#include "vector/vectorise/vectorise2.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/vector/vectorise/vector_test_image.h"
#include "tests/vector/vectorise/vectorise_oracle.h"

namespace lintra {
namespace {

using vector_testing::Image;
using vector_testing::RandomDrawing;
using Segments = std::vector<CLineSegment>;

struct Strokes {
    Segments segments;
    std::string text;
};

Strokes Trace(Image& image) {
    Strokes result;
    TraceStrokes(image.view(), result.segments, result.text);
    return result;
}

Strokes TraceCopy(Image image) {
    return Trace(image);
}

Image Picture(std::initializer_list<std::pair<int, int>> black) {
    Image image(10, 10);
    image.Set(black);
    return image;
}

// Flags in the order NW, N, NE, W, E, SW, S, SE: true = white.
std::array<bool, 8> InkAt(std::initializer_list<int> codes) {
    std::array<bool, 8> white;
    white.fill(true);
    for (int code : codes) white[code - 1] = false;
    return white;
}

TEST(Vectorise2Test, NextStepKeepsTheDirectionElseTakesThePriorityOrder) {
    // Alone: stop, whatever the direction.
    for (int c = 1; c <= 9; ++c) EXPECT_EQ(NextStrokeStep(InkAt({}), c), 0);
    // Every code is kept while its neighbour is ink, even against the order.
    for (int c = 1; c <= 8; ++c) EXPECT_EQ(NextStrokeStep(InkAt({c, 2}), c), c);
    // Otherwise the first ink neighbour in the order N, W, SW, SE, NW, NE, E, S.
    const int order[8] = {2, 4, 6, 8, 1, 3, 5, 7};
    for (int i = 0; i < 8; ++i) {
        std::array<bool, 8> white;
        white.fill(true);
        for (int j = i; j < 8; ++j) white[order[j] - 1] = false;
        // From no direction yet, or from any direction whose neighbour is white.
        for (int c = 1; c <= 9; ++c) {
            if (c == 9 || white[c - 1]) {
                EXPECT_EQ(NextStrokeStep(white, c), order[i]) << "c " << c;
            }
        }
    }
}

TEST(Vectorise2Test, WorkedStrokes) {
    EXPECT_EQ(TraceCopy(Picture({})).segments, Segments{});
    EXPECT_EQ(TraceCopy(Picture({})).text, "");
    EXPECT_EQ(TraceCopy(Picture({{3, 4}, {4, 4}, {5, 4}})).segments, (Segments{{3, 4, 5, 4}}));
    EXPECT_EQ(TraceCopy(Picture({{2, 2}, {3, 3}, {4, 3}, {5, 4}, {6, 4}})).segments,
              (Segments{{2, 2, 3, 3}, {3, 3, 4, 3}, {4, 3, 5, 4}, {5, 4, 6, 4}}));
    // The upright bar of the L comes first (N leads the order); the foot is
    // a second stroke that does not touch the first.
    const Strokes l = TraceCopy(Picture({{2, 2}, {3, 2}, {4, 2}, {2, 3}, {2, 4}}));
    EXPECT_EQ(l.segments, (Segments{{2, 2, 2, 4}, {3, 2, 4, 2}}));
    EXPECT_EQ(l.text,
              "N1 \n     G01X2.000 Y2.000;\n     G01X2.000 Y4.000;\n     G00X2.000 Y4.000;\n"
              "N2 \n     G01X3.000 Y2.000;\n     G01X4.000 Y2.000;\n     G00X4.000 Y2.000;\n");

    // A lone pixel: a short diagonal ending at it.
    const Strokes lone = TraceCopy(Picture({{3, 3}}));
    EXPECT_EQ(lone.segments, (Segments{{2, 2, 3, 3}}));
    EXPECT_EQ(lone.text, "N1 \n     G01X2.000 Y2.000;\n     G01X3.000 Y3.000;\n     G00X3.000 Y3.000;\n");
}

TEST(Vectorise2Test, SquareOutlineStaysOpenByOneStepAndASecondRunFindsNothing) {
    Image square(10, 10);
    square.Outline(2, 2, 5, 5);
    const Strokes first = Trace(square);
    EXPECT_EQ(first.segments, (Segments{{2, 2, 2, 5}, {2, 5, 5, 5}, {5, 5, 5, 2}, {5, 2, 3, 2}}));
    EXPECT_EQ(first.text,
              "N1 \n"
              "     G01X2.000 Y2.000;\n"
              "     G01X2.000 Y5.000;\n"
              "     G01X5.000 Y5.000;\n"
              "     G01X5.000 Y2.000;\n"
              "     G01X3.000 Y2.000;\n"
              "     G00X3.000 Y2.000;\n");
    EXPECT_EQ(square, Image(10, 10));  // erased, padding kept
    const Strokes second = Trace(square);
    EXPECT_TRUE(second.segments.empty());
    EXPECT_TRUE(second.text.empty());
}

TEST(Vectorise2Test, BorderIsWhitenedAndGreyValuesStopAWalk) {
    Image image(10, 10);
    image.Fill(0, 0, 9, 0);               // ink on the border is whitened, not walked
    image.Set({{2, 3}, {3, 3}, {4, 3}});  // walks E into the grey pixel and stops there
    image.at(5, 3) = 128;
    image.Set({{7, 6}, {7, 7}});
    const Strokes strokes = Trace(image);
    // No segment for the run that ran into grey; the next stroke is block 2.
    EXPECT_EQ(strokes.segments, (Segments{{7, 6, 7, 7}}));
    EXPECT_EQ(strokes.text,
              "N1 \n     G01X2.000 Y3.000;\n"
              "N2 \n     G01X7.000 Y6.000;\n     G01X7.000 Y7.000;\n     G00X7.000 Y7.000;\n");
    Image expected(10, 10);
    expected.at(5, 3) = 128;
    EXPECT_EQ(image, expected);

    for (int side : {1, 2}) {
        Image tiny(side, side, 0);
        const Strokes none = Trace(tiny);
        EXPECT_TRUE(none.segments.empty());
        EXPECT_EQ(tiny, Image(side, side));
    }
}

TEST(Vectorise2Test, SizesBeyondSixteenBits) {
    const int long_side = 70000;
    Image wide(long_side, 3);
    wide.Fill(1, 1, long_side - 2, 1);
    EXPECT_EQ(Trace(wide).segments, (Segments{{1, 1, long_side - 2, 1}}));
    Image tall(3, long_side);
    tall.Fill(1, 1, 1, long_side - 2);
    tall.at(1, long_side / 2) = 255;
    EXPECT_EQ(Trace(tall).segments,
              (Segments{{1, 1, 1, long_side / 2 - 1}, {1, long_side / 2 + 1, 1, long_side - 2}}));
    EXPECT_EQ(tall, Image(3, long_side));
}

TEST(Vectorise2Test, MatchesTheTranscriptionOnRandomPictures) {
    for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
        RandomDrawing drawing(seed);
        const Image picture = drawing.Make(seed % 10 == 0 ? 60 : 24, seed % 3 == 0);
        Image fast = picture;
        Image plain = picture;
        const Strokes strokes = Trace(fast);
        Strokes expected;
        oracle::TraceStrokes(plain.view(), expected.segments, expected.text);
        EXPECT_TRUE(strokes.segments == expected.segments && strokes.text == expected.text && fast == plain)
            << "seed " << seed << "\n"
            << picture.values();
        if (HasFailure()) break;
    }
}

}  // namespace
}  // namespace lintra
