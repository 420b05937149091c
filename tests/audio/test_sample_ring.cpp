#include "audio/sample_ring.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <vector>

namespace wavelore {
namespace {

std::vector<int16_t> Count(int16_t from, size_t n) {
    std::vector<int16_t> v(n);
    std::iota(v.begin(), v.end(), from);
    return v;
}

TEST(SampleRing, WrapsAroundInOrder) {
    CSampleRing ring;
    EXPECT_FALSE(ring.Allocate(6));
    ASSERT_TRUE(ring.Allocate(8));
    std::vector<int16_t> out(8);
    ASSERT_EQ(ring.Write(Count(0, 6).data(), 6), 6u);
    ASSERT_EQ(ring.Read(out.data(), 4), 4u);
    // Two left at slots 4 and 5; six more run over the end into slot 3.
    ASSERT_EQ(ring.Write(Count(6, 6).data(), 6), 6u);
    ASSERT_EQ(ring.Read(out.data(), 8), 8u);
    EXPECT_EQ(out, Count(4, 8));
    EXPECT_EQ(ring.Read(out.data(), 8), 0u);
    EXPECT_EQ(ring.Dropped(), 0u);
}

TEST(SampleRing, WhenFullKeepsWhatItHoldsAndCountsTheRest) {
    CSampleRing ring;
    ASSERT_TRUE(ring.Allocate(8));
    EXPECT_EQ(ring.Write(Count(0, 10).data(), 10), 8u);
    EXPECT_EQ(ring.Write(Count(10, 3).data(), 3), 0u);
    EXPECT_EQ(ring.Dropped(), 5u);
    std::vector<int16_t> out(3);
    ASSERT_EQ(ring.Read(out.data(), 3), 3u);
    EXPECT_EQ(out, Count(0, 3));
    // Room for three again, at the slots just read.
    EXPECT_EQ(ring.Write(Count(20, 4).data(), 4), 3u);
    EXPECT_EQ(ring.Dropped(), 6u);
    out.resize(8);
    ASSERT_EQ(ring.Read(out.data(), 8), 8u);
    EXPECT_EQ(out, (std::vector<int16_t>{3, 4, 5, 6, 7, 20, 21, 22}));
    ring.Clear();
    EXPECT_EQ(ring.Read(out.data(), 8), 0u);
}

// A producer that offers again whatever did not fit, and a consumer, on two
// threads: every sample arrives, in order, and every refusal is counted.
TEST(SampleRing, ProducerAndConsumerOnTwoThreadsLoseNothing) {
    constexpr size_t kTotal = size_t{1} << 21;
    CSampleRing ring;
    ASSERT_TRUE(ring.Allocate(1024));
    uint64_t refused = 0;
    std::thread producer([&] {
        std::vector<int16_t> chunk;
        size_t sent = 0;
        size_t size = 1;
        while (sent < kTotal) {
            size = size % 700 + 13;  // sizes that straddle the end in every way
            const size_t n = std::min(size, kTotal - sent);
            chunk = Count(static_cast<int16_t>(sent), n);
            const size_t kept = ring.Write(chunk.data(), n);
            refused += n - kept;
            sent += kept;
            if (kept < n) {
                std::this_thread::yield();
            }
        }
    });
    std::vector<int16_t> out(509);
    size_t received = 0;
    size_t wrong = 0;
    while (received < kTotal) {
        const size_t n = ring.Read(out.data(), out.size());
        for (size_t i = 0; i < n; ++i) {
            wrong += out[i] != static_cast<int16_t>(received + i);
        }
        received += n;
        if (n == 0) {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(ring.Dropped(), refused);
}

}  // namespace
}  // namespace wavelore
