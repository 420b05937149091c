#include <gtest/gtest.h>

#include <array>
#include <string>

#include "app/message_record.h"
#include "app/upload_step.h"
#include "common/window_target.h"
#include "net/upload_request.h"
#include "net/upload_worker.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"
#include "support/upload_fakes.h"
#include "support/upload_wire.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;
using test::FakeFactory;
using test::FakeService;
using test::LoopbackFactory;
using test::LoopbackServer;
using test::NextResult;
using test::PartValue;
using test::SampleRecord;

TEST(UploadStep, BuildsTheMessageRequest) {
    const UploadRequest r = MakeMessageUploadRequest(SampleRecord(), u"UID-1");
    const std::array<std::u16string, UploadRequest::kSlotCount> expected = {
        u"/cgi-bin/navtex/navtex_upload.cgi",
        u"UID-1",
        u"2.1.2",
        u"2007-07-21",
        u"09%3A05%3A07",
        u"1",
        u"E",
        u"12",
        u"%41%42%0D%0A%00",
        u"A",
        u"98",
    };
    EXPECT_EQ(r.slots, expected);
    EXPECT_EQ(r.versionCheck, 0);
}

TEST(UploadStep, GatesOnTheUploadIdAndTheWorker) {
    FakeService service;
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, FakeFactory(service));
    std::u16string uid;
    CUploadStep step([&] { return uid; }, &worker, u"127.0.0.1");
    step.UploadMessage(SampleRecord());
    EXPECT_EQ(step.Posted(), 0u);

    CUploadStep noWorker([] { return u"X"; }, nullptr, u"127.0.0.1");
    noWorker.UploadMessage(SampleRecord());
    EXPECT_EQ(noWorker.Posted(), 0u);

    uid = u"X";  // read at every upload
    step.UploadMessage(SampleRecord());
    EXPECT_EQ(step.Posted(), 1u);

    // A text whose escaped form cannot be one form field is not sent
    // without it.
    MessageRecord huge = SampleRecord();
    huge.text = std::u16string(21844, u'x');
    step.UploadMessage(huge);
    EXPECT_EQ(step.Posted(), 2u);
    huge.text += u'x';
    step.UploadMessage(huge);
    EXPECT_EQ(step.Posted(), 2u);
    EXPECT_EQ(step.TooLong(), 1u);
}

TEST(UploadStep, MessageUploadIsExactOnTheWire) {
    LoopbackServer server;
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, LoopbackFactory());
    ASSERT_TRUE(worker.Start());
    const std::string hostText = server.Host();
    CUploadStep step([] { return u"0123ABCD-EF01-2345-6789-ABCDEFABCDEF"; }, &worker,
                     std::u16string(hostText.begin(), hostText.end()));
    step.UploadMessage(SampleRecord());
    auto r = NextResult(owner);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, kUploadReplied);
    EXPECT_EQ(r->reply, u"OK");

    const std::string expected =
        test::UploadRequestOnTheWire(hostText, {
                                                   {"PATH", "/cgi-bin/navtex/navtex_upload.cgi"},
                                                   {"UID", "0123ABCD-EF01-2345-6789-ABCDEFABCDEF"},
                                                   {"VERSION", "2.1.2"},
                                                   {"DATE", "2007-07-21"},
                                                   {"TIME", "09%3A05%3A07"},
                                                   {"NAVAREA", "1"},
                                                   {"STATION", "E"},
                                                   {"NUMBER", "12"},
                                                   {"MESSAGE", "%41%42%0D%0A%00"},
                                                   {"TYPE", "A"},
                                                   {"QUALITY", "98"},
                                               });
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0], expected);
}

TEST(UploadStep, LongMessageIsSentWhole) {
    // Well past the 5,401 UTF-8 bytes one fixed-size text part could hold.
    std::u16string text;
    while (text.size() < 7000) {
        text += u"NAVAREA I \u65e5\u672c\r\n";
    }
    LoopbackServer server;
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, LoopbackFactory());
    ASSERT_TRUE(worker.Start());
    const std::string host = server.Host();
    CUploadStep step([] { return u"X"; }, &worker, std::u16string(host.begin(), host.end()));
    MessageRecord record = SampleRecord();
    record.text = text;
    step.UploadMessage(record);
    auto r = NextResult(owner);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, kUploadReplied);
    ASSERT_EQ(server.RequestCount(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(PartValue(request, "MESSAGE"), test::Narrow(EscapeMessageText(text)));
    EXPECT_EQ(PartValue(request, "QUALITY"), "98");
    EXPECT_TRUE(request.ends_with("\r\n----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n"));
}

}  // namespace
}  // namespace wavelore
