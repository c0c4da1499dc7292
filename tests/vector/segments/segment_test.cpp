// The segment record and the document's list of them.
#include "vector/segments/segment.h"

#include <gtest/gtest.h>

namespace lintra {
namespace {

TEST(SegmentTest, ConstructorTruncatesTowardZero) {
    CLineSegment s(2.9, 3.0, -0.5, 7.99);
    EXPECT_EQ(s, CLineSegment(2, 3, 0, 7));
    CLineSegment negative(-2.7, -0.99, 1e9, -1e9);
    EXPECT_EQ(negative.x1, -2);
    EXPECT_EQ(negative.y1, 0);
    EXPECT_EQ(negative.x2, 1000000000);
    EXPECT_EQ(negative.y2, -1000000000);
}

TEST(SegmentTest, ListKeepsAppendOrderAndStartsAfreshWhenEmptied) {
    SegmentList list;
    list.clear();  // emptying an empty list does nothing
    EXPECT_TRUE(list.empty());
    AppendSegment(list, {1, 2}, {3, 4});
    AppendSegment(list, {5, 6}, {5, 6});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.front(), CLineSegment(1, 2, 3, 4));
    EXPECT_EQ(list.back(), CLineSegment(5, 6, 5, 6));

    list.clear();
    AppendSegment(list, {9, 8}, {7, 6});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.front(), CLineSegment(9, 8, 7, 6));
}

}  // namespace
}  // namespace lintra
