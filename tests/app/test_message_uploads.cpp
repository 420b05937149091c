#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "app/message_uploads.h"
#include "app/profile_store.h"
#include "app/settings.h"
#include "common/message_ids.h"
#include "net/http_client.h"
#include "net/upload_host.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"
#include "support/upload_fakes.h"
#include "support/upload_wire.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;
using test::FakeFactory;
using test::FakeService;
using test::LoopbackServer;
using test::SampleRecord;

MessageRecord Record(const char16_t* number) {
    MessageRecord record;
    record.date = u"2007-07-21";
    record.time = u"09:05:07";
    record.b1 = u"E";
    record.b2 = u"A";
    record.number = number;
    record.text = u"AB\r\n";
    record.quality = 98;
    return record;
}

// A value that never changes.
CMessageUploads::Source Fixed(std::u16string value) {
    return [value = std::move(value)] { return value; };
}

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// One WM_UPLOAD_RESULT handled by uploads, as the window's queue would.
std::optional<int> HandleNext(CQueueWindowTarget& owner, CMessageUploads& uploads,
                              std::chrono::milliseconds timeout = 5s) {
    std::optional<int> status;
    owner.DispatchOne(
        [&](Message& m) {
            if (m.id == WM_UPLOAD_RESULT) {
                status = uploads.HandleResult(m);
            }
        },
        timeout);
    return status;
}

TEST(MessageUploads, SettingsAreReadAtEveryUploadFailuresGoBackAndShutdownDrains) {
    LoopbackServer server;
    CMemoryProfileStore profile;
    CSettings settings(profile);
    CQueueWindowTarget owner;
    CMessageUploads uploads([&settings] { return settings.Uid(); },
                            [&settings] { return settings.UploadHost(); },
                            [] { return std::make_unique<CHttpClient>(); });
    ASSERT_TRUE(uploads.Start(&owner));

    uploads.UploadMessage(Record(u"01"));  // no upload ID yet
    EXPECT_EQ(uploads.Posted(), 0u);

    profile.WriteString(CSettings::kSection, u"UID", u"0123ABCD-EF01-2345-6789-ABCDEFABCDEF");
    profile.WriteString(CSettings::kSection, kUploadHostSetting, Wide(server.Host()));
    uploads.UploadMessage(Record(u"02"));
    EXPECT_EQ(HandleNext(owner, uploads), kUploadReplied);
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_NE(server.Requests()[0].find("Host: " + server.Host() + "\r\n"), std::string::npos);
    EXPECT_EQ(test::PartValue(server.Requests()[0], "NUMBER"), "02");
    EXPECT_EQ(uploads.Delivered(), 1u);

    // A failed request goes back to the worker and is sent again.
    server.SetReply("");
    uploads.UploadMessage(Record(u"03"));
    EXPECT_EQ(HandleNext(owner, uploads), kUploadFailed);
    EXPECT_EQ(uploads.Requeued(), 1u);
    server.SetReply(LoopbackServer::Reply("200 OK", "OK"));
    EXPECT_EQ(HandleNext(owner, uploads), kUploadReplied);
    ASSERT_EQ(server.RequestCount(), 3u);
    EXPECT_EQ(test::PartValue(server.Requests()[2], "NUMBER"), "03");

    // Two requests queue behind a slow one; once the first of them is under
    // way, stopping waits, looking once per poll, until the worker has taken
    // up the last, which it discards unsent.
    server.SetDelay(400ms);
    for (const char16_t* number : {u"04", u"05", u"06"}) {
        uploads.UploadMessage(Record(number));
    }
    EXPECT_EQ(HandleNext(owner, uploads), kUploadReplied);
    ASSERT_TRUE(server.WaitForRequests(5, 5s));  // "05" is under way
    int waits = 0;
    EXPECT_TRUE(uploads.Stop(
        [&](std::chrono::milliseconds poll) {
            EXPECT_EQ(poll, 20ms);
            ++waits;
            std::this_thread::sleep_for(poll);
        },
        30s, 20ms));
    EXPECT_GT(waits, 0);
    EXPECT_FALSE(uploads.HasWorker());
    EXPECT_EQ(server.RequestCount(), 5u);  // "06" was never sent
    // A result still on its way after the stop is dropped.
    while (HandleNext(owner, uploads, 100ms)) {
    }
    EXPECT_EQ(uploads.Requeued(), 1u);
    owner.Close();
}

TEST(MessageUploads, FinishWaitsBoundedAndCounts) {
    FakeService service;
    CMessageUploads session(Fixed(u"GOOD"), Fixed(u"127.0.0.1"), FakeFactory(service));
    ASSERT_TRUE(session.Start());
    for (int i = 0; i < 3; ++i) {
        session.UploadMessage(SampleRecord());
    }
    EXPECT_TRUE(session.Finish(5s));
    EXPECT_EQ(session.Sent(), 3u);
    EXPECT_EQ(session.Left(), 0u);

    FakeService down;
    down.failingUid = u"GOOD";
    CMessageUploads failing(Fixed(u"GOOD"), Fixed(u"127.0.0.1"), FakeFactory(down));
    ASSERT_TRUE(failing.Start());
    failing.UploadMessage(SampleRecord());
    failing.UploadMessage(SampleRecord());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(failing.Finish(300ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(failing.Sent(), 0u);
    EXPECT_EQ(failing.Left(), 2u);

    CMessageUploads noId(Fixed(u""), Fixed(u"127.0.0.1"), FakeFactory(service));
    noId.UploadMessage(SampleRecord());
    EXPECT_TRUE(noId.Finish(0ms));
    EXPECT_EQ(noId.Left(), 0u);
}

}  // namespace
}  // namespace wavelore
