#include <gtest/gtest.h>

#include "common/sample_block.h"

namespace wavelore {
namespace {

TEST(SampleBlock, CopiesSourceOrFillsZerosAndCopiesAreIndependent) {
    const double source[3] = {1.5, -2.0, 3.25};
    SampleBlock block(source, 3);
    ASSERT_EQ(block.Count(), 3);
    EXPECT_EQ(block[1], -2.0);

    SampleBlock copy = block.Copy();
    copy[1] = 7.0;
    EXPECT_EQ(block[1], -2.0);

    SampleBlock zeros(nullptr, 4);
    ASSERT_EQ(zeros.Count(), 4);
    EXPECT_EQ(zeros[3], 0.0);

    block.Release();
    EXPECT_TRUE(block.Empty());
    EXPECT_EQ(block.Count(), 0);
    EXPECT_TRUE(SampleBlock(source, 0).Empty());
}

}  // namespace
}  // namespace wavelore
