// The descriptor limit is raised to what the system allows, within bounds.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>

#include "system/descriptor_limit.h"

namespace wavelore {
namespace {

TEST(DescriptorLimit, TheSoftLimitIsRaisedToTheHardOneAtMost65536) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit lowered = saved;
    lowered.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);

    const uint64_t raised = RaiseDescriptorLimit();
    rlimit now{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &now), 0);
    const rlim_t wanted = saved.rlim_max == RLIM_INFINITY
                              ? kWantedDescriptors
                              : std::min<rlim_t>(saved.rlim_max, kWantedDescriptors);
    EXPECT_EQ(now.rlim_cur, wanted);
    EXPECT_EQ(raised, static_cast<uint64_t>(wanted));
    EXPECT_EQ(now.rlim_max, saved.rlim_max);
    setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
}  // namespace wavelore
