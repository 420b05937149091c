// The collection service against the receiver's own client: the upload
// worker, CHttpClient and the request and reply rules of src/net, on
// SQLite and on PostgreSQL.
#include <gtest/gtest.h>

#include "app/message_record.h"
#include "app/upload_step.h"
#include "common/utf.h"
#include "common/window_target.h"
#include "net/reply_rules.h"
#include "net/upload_worker.h"
#include "service/upload_service.h"
#include "service_harness.h"
#include "support/upload_fakes.h"

namespace wavelore::test {
namespace {

using service::StoreOutcome;

class ServiceProtocol : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        if (!m_service.Available()) {
            GTEST_SKIP() << kNoPostgres;
        }
    }

    // One exchange through the receiver's upload worker, as the window and
    // wavelore-decode make it.
    Outcome Exchange(UploadRequest request) {
        CQueueWindowTarget owner;
        CUploadWorker worker(owner, LoopbackFactory());
        EXPECT_TRUE(worker.Start());
        EXPECT_TRUE(worker.Post(UploadJob{m_service.Host(), std::move(request)}));
        const std::optional<Outcome> outcome = NextResult(owner);
        EXPECT_TRUE(outcome);
        return outcome.value_or(Outcome{-2, std::nullopt, {}});
    }

    Outcome Upload(const MessageRecord& record, const std::string& uid) {
        return Exchange(MakeMessageUploadRequest(record, FromUtf8(uid)));
    }

    // The message number an upload's reply names.
    static int64_t MessageOf(const Outcome& outcome) {
        const std::string reply = outcome.reply ? ToUtf8(*outcome.reply) : std::string();
        const size_t at = reply.find_last_of(' ');
        return at == std::string::npos ? 0 : std::atoll(reply.c_str() + at + 1);
    }

    CServiceHarness m_service{GetParam()};
};

MessageRecord Record(std::u16string b1b2, std::u16string number, std::u16string text, int quality,
                     std::u16string time = u"09:05:07") {
    MessageRecord r;
    r.date = u"2027-01-15";
    r.time = std::move(time);
    r.b1 = b1b2.substr(0, 1);
    r.b2 = b1b2.substr(1, 1);
    r.number = std::move(number);
    r.text = std::move(text);
    r.quality = quality;
    return r;
}

TEST_P(ServiceProtocol, TheReceiversUploadIdTestVersionCheckAndUploadWorkUnchanged) {
    ASSERT_TRUE(m_service.Start());
    const std::u16string unknown = u"0123ABCD-EF01-2345-6789-ABCDEFABCDEF";

    // The upload ID dialog with an ID the service does not know.
    Outcome test = Exchange(MakeServiceRequest(unknown, false));
    ASSERT_EQ(test.status, kUploadReplied);
    EXPECT_EQ(UploadTestOutcome(test.status, test.reply).text,
              u"Sorry, that UID is not recognised");

    // ... and with one it made: "welcome" and the receiver's name.
    const service::ReceiverRecord dover = m_service.AddReceiver("Dover Strait club");
    test = Exchange(MakeServiceRequest(FromUtf8(dover.uploadId), false));
    const ReplyBox welcome = UploadTestOutcome(test.status, test.reply);
    EXPECT_EQ(welcome.text, u"Connection okay, welcome Dover Strait club!");
    EXPECT_EQ(welcome.caption, u"Server response");

    // The version check at start-up, with or without an ID: the operator
    // said 2.3.0 is out, so the receiver (2.1.2) offers the download page.
    for (const std::u16string& uid : {std::u16string(), FromUtf8(dover.uploadId)}) {
        const Outcome check = Exchange(MakeServiceRequest(uid, true));
        const auto box = VersionCheckOutcome(check.status, check.reply);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, u"Wavelore 2.3.0 is available. Open the download page?");
        EXPECT_TRUE(box->yesNo);
    }
    // An up-to-date receiver sees the notice if there is one, else nothing.
    service::VersionPolicy policy{"2.1.2", "unused %s", ""};
    EXPECT_FALSE(VersionCheckOutcome(1, FromUtf8(service::VersionCheckReply("2.1.2", policy))));
    policy.notice = "Service moves, see the site, 1 May";
    const auto notice =
        VersionCheckOutcome(1, FromUtf8(service::VersionCheckReply("2.1.2", policy)));
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->text, u"Service moves, see the site, 1 May");
    EXPECT_EQ(notice->caption, u"Information");
    EXPECT_EQ(service::CompareVersions("2.10", "2.9"), 1);

    // A message upload: its text arrives as the receiver had it, non-ASCII
    // and line ends included; the reply counts as delivered.
    const std::u16string text = u"NAVAREA I 123/27\r\nLIGHT ÆRØ UNLIT 52-30.1N 002-14.9E.\r\n";
    const Outcome stored = Upload(Record(u"EA", u"12", text, 98), dover.uploadId);
    ASSERT_EQ(stored.status, kUploadReplied);
    const service::MessageDetail m = m_service.Message(MessageOf(stored));
    EXPECT_EQ(m.message.text, ToUtf8(text));
    EXPECT_EQ(m.message.quality, 98);
    ASSERT_EQ(m.receptions.size(), 1u);
    EXPECT_EQ(m.receptions[0].date + " " + m.receptions[0].time, "2027-01-15 09:05:07");
    EXPECT_EQ(m.receptions[0].version, "2.1.2");

    // An unknown ID's upload is answered (so the receiver drops it) and
    // stores nothing.
    const Outcome refused = Upload(Record(u"EA", u"13", u"X\r\n", 90), ToUtf8(unknown));
    EXPECT_EQ(refused.status, kUploadReplied);
    EXPECT_EQ(m_service.Counts().messages, 1);
    EXPECT_EQ(m_service.metrics.Uploads(service::CServiceMetrics::Upload::UnknownId), 1u);

    // While the database fails, the answer has no body: the receiver counts
    // the upload as failed and keeps it for another try, which stores it.
    auto db = m_service.database.Open();
    ASSERT_TRUE(db->ExecuteScript("ALTER TABLE receptions RENAME TO receptions_away"));
    const MessageRecord later = Record(u"EB", u"45", u"GALE WARNING 7\r\n", 95);
    EXPECT_EQ(Upload(later, dover.uploadId).status, kUploadFailed);
    EXPECT_NE(m_service.metrics.Render().find("wavelore_database_errors_total 1"),
              std::string::npos);
    ASSERT_TRUE(db->ExecuteScript("ALTER TABLE receptions_away RENAME TO receptions"));
    EXPECT_EQ(Upload(later, dover.uploadId).status, kUploadReplied);
    EXPECT_EQ(m_service.Counts().messages, 2);
}

TEST_P(ServiceProtocol, ReceptionsOfOneMessageMergeAndEveryReceptionIsKept) {
    // A reader that finds the buoy's position, so the seam is exercised.
    ASSERT_TRUE(m_service.Start([](std::u16string_view text) {
        std::vector<service::MessageGeometry> found;
        if (text.find(u"52-30.1N 002-14.9E") != std::u16string_view::npos) {
            found.push_back({service::MessageGeometry::Kind::Point, {{52.5017, 2.2483}}, 0});
        }
        return found;
    }));
    const auto a = m_service.AddReceiver("Aldeburgh");
    const auto b = m_service.AddReceiver("Bawdsey");
    const auto c = m_service.AddReceiver("Corton");

    // A hears the broadcast badly, B well; the text kept is B's, both
    // receptions stay, and the positions come from the kept text.
    const std::u16string bad = u"BUOY 52-30.1N 0O2-1*.9E UNLIT.\r\n";
    const std::u16string good = u"BUOY 52-30.1N 002-14.9E UNLIT.\r\n";
    const int64_t id = MessageOf(Upload(Record(u"EA", u"12", bad, 71), a.uploadId));
    m_service.now += 40;
    EXPECT_EQ(MessageOf(Upload(Record(u"EA", u"12", good, 99, u"09:05:40"), b.uploadId)), id);
    service::MessageDetail m = m_service.Message(id);
    EXPECT_EQ(m.message.text, ToUtf8(good));
    EXPECT_EQ(m.message.quality, 99);
    EXPECT_EQ(m.message.receptions, 2);
    ASSERT_EQ(m.receptions.size(), 2u);
    EXPECT_EQ(m.receptions[0].receiverName, "Aldeburgh");
    EXPECT_EQ(m.receptions[0].text, ToUtf8(bad));
    EXPECT_EQ(m.receptions[1].receiverName, "Bawdsey");
    ASSERT_EQ(m.positions.size(), 1u);
    EXPECT_DOUBLE_EQ(m.positions[0].points[0].longitude, 2.2483);

    // A's reply got lost and its receiver sends the same upload again:
    // nothing more is stored.
    EXPECT_EQ(MessageOf(Upload(Record(u"EA", u"12", bad, 71), a.uploadId)), id);
    EXPECT_EQ(m_service.Message(id).receptions.size(), 2u);

    // The scheduled repeat four hours later, heard by C, is the same message.
    m_service.now += 4 * 3600;
    EXPECT_EQ(MessageOf(Upload(Record(u"EA", u"12", good, 90, u"13:05:07"), c.uploadId)), id);
    // Past 72 hours the number names a new message.
    m_service.now += 72 * 3600;
    const int64_t later = MessageOf(Upload(Record(u"EA", u"12", good, 90), c.uploadId));
    EXPECT_NE(later, id);

    // Serial number 00: different texts are different messages, the same
    // text from another receiver is one.
    const int64_t sar1 = MessageOf(
        Upload(Record(u"ED", u"00", u"MAYDAY RELAY VESSEL ALPHA SINKING 51-02N 001-50E\r\n", 95),
               a.uploadId));
    const int64_t sar2 = MessageOf(
        Upload(Record(u"ED", u"00", u"PERSON OVERBOARD FROM FERRY NEAR DOVER HARBOUR ENTRANCE\r\n",
                      95, u"10:00:00"),
               a.uploadId));
    EXPECT_NE(sar1, sar2);
    EXPECT_EQ(MessageOf(Upload(
                  Record(u"ED", u"00", u"MAYDAY RELAY VESSEL ALPHA SINKINC 51-02N 001-50E\r\n", 80),
                  b.uploadId)),
              sar1);

    // A receiver in NAVAREA 2 hears another station under the same letters.
    const auto brest = m_service.AddReceiver("Brest", 2);
    const int64_t other = MessageOf(Upload(Record(u"EA", u"12", good, 90), brest.uploadId));
    EXPECT_NE(other, later);
    EXPECT_EQ(m_service.Message(other).message.navArea, 2);

    EXPECT_EQ(m_service.Counts().messages, 5);
    EXPECT_EQ(m_service.Counts().receptions, 8);
    EXPECT_EQ(m_service.metrics.Uploads(service::CServiceMetrics::Upload::Merged), 3u);
    EXPECT_EQ(m_service.metrics.Uploads(service::CServiceMetrics::Upload::Duplicate), 1u);

    // The pages and the API show the merge.
    const HttpAnswer page = Get(m_service.Port(), "/message/" + std::to_string(id));
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("Aldeburgh"), std::string::npos);
    EXPECT_NE(page.body.find("Corton"), std::string::npos);
    EXPECT_NE(page.body.find("52-30.1N 002-14.9E"), std::string::npos);
    const HttpAnswer json = Get(m_service.Port(), "/api/messages/" + std::to_string(id));
    EXPECT_NE(json.body.find("\"receptions\":3"), std::string::npos) << json.body;
    EXPECT_NE(json.body.find("\"coordinates\":[[2.2483,52.5017]]"), std::string::npos) << json.body;
}

INSTANTIATE_TEST_SUITE_P(Backends, ServiceProtocol,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres), BackendName);

}  // namespace
}  // namespace wavelore::test
