// The per-client token bucket, on a clock the test moves.
#include "server/upload_rate.h"

#include <gtest/gtest.h>

TEST(UploadRateTest, ABurstThenTheRateAndNeverMoreThanTheBurstSaved) {
    using std::chrono::milliseconds;
    UploadRate rate(2, 3);  // 2 a second, bursts of 3
    const UploadRate::Clock::time_point start{};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rate.take("a", start), 0u) << i;
    EXPECT_EQ(rate.take("a", start), 1u);  // half a second to the next: rounded up
    EXPECT_EQ(rate.take("b", start), 0u);  // another client has its own
    EXPECT_EQ(rate.take("a", start + milliseconds(500)), 0u);
    EXPECT_EQ(rate.take("a", start + milliseconds(500)), 1u);
    // Ten idle seconds refill 20 but the bucket holds 3.
    const auto later = start + milliseconds(10500);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rate.take("a", later), 0u) << i;
    EXPECT_EQ(rate.take("a", later), 1u);

    UploadRate slow(0.1, 1);  // one per 10 s: the wait is told in whole seconds
    EXPECT_EQ(slow.take("a", start), 0u);
    EXPECT_EQ(slow.take("a", start + milliseconds(2500)), 8u);  // 7.5 s left, rounded up

    UploadRate off(0, 1);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(off.take("a", start), 0u);
}
