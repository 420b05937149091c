#include <gtest/gtest.h>

#include <chrono>

#include "app/upload_session.h"
#include "support/upload_fakes.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;
using test::FakeFactory;
using test::FakeService;
using test::SampleRecord;

TEST(UploadSession, FinishWaitsBoundedAndCounts) {
    FakeService service;
    CUploadSession session(u"GOOD", u"127.0.0.1", FakeFactory(service));
    ASSERT_TRUE(session.Start());
    for (int i = 0; i < 3; ++i) {
        session.Hook().UploadMessage(SampleRecord());
    }
    EXPECT_TRUE(session.Finish(5s));
    EXPECT_EQ(session.Sent(), 3u);
    EXPECT_EQ(session.Left(), 0u);

    FakeService down;
    down.failingUid = u"GOOD";
    CUploadSession failing(u"GOOD", u"127.0.0.1", FakeFactory(down));
    ASSERT_TRUE(failing.Start());
    failing.Hook().UploadMessage(SampleRecord());
    failing.Hook().UploadMessage(SampleRecord());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(failing.Finish(300ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(failing.Sent(), 0u);
    EXPECT_EQ(failing.Left(), 2u);

    CUploadSession noId(u"", u"127.0.0.1", FakeFactory(service));
    noId.Hook().UploadMessage(SampleRecord());
    EXPECT_TRUE(noId.Finish(0ms));
    EXPECT_EQ(noId.Left(), 0u);
}

}  // namespace
}  // namespace wavelore
