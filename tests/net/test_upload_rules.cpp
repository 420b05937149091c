#include <gtest/gtest.h>

#include "net/reply_rules.h"
#include "net/upload_host.h"
#include "net/upload_request.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

using test::Narrow;

TEST(UrlEscape, EscapesExactlyTheReservedAndOutOfRangeUnits) {
    EXPECT_EQ(UrlEscape(u"09:05:07"), u"09%3A05%3A07");
    EXPECT_EQ(UrlEscape(u"2007-07-21"), u"2007-07-21");
    EXPECT_EQ(UrlEscape(std::u16string(u"\t {\u20ac\0", 5)), u"%09%20%7B%20AC%00");
    EXPECT_EQ(UrlEscape(u"\"<>%\\^[]`+$,@:;/!#?=&"),
              u"%22%3C%3E%25%5C%5E%5B%5D%60%2B%24%2C%40%3A%3B%2F%21%23%3F%3D%26");
    // Everything else from 33 to 122 passes, among them ' ( ) * - . _
    std::u16string plain;
    for (char16_t c = 33; c < 123; ++c) {
        if (std::u16string_view(u"\"<>%\\^[]`+$,@:;/!#?=&").find(c) == std::u16string::npos) {
            plain += c;
        }
    }
    EXPECT_EQ(plain.size(), 90u - 21u);
    EXPECT_EQ(UrlEscape(plain), plain);
}

TEST(PercentEscape, EveryByteAndTheMessageTerminator) {
    EXPECT_EQ(PercentEscapeAll(std::string("\x00\x0f\xff a", 5)), u"%00%0F%FF%20%61");
    EXPECT_EQ(EscapeMessageText(u"AB\r\n"), u"%41%42%0D%0A%00");
    EXPECT_EQ(EscapeMessageText(u""), u"%00");
    EXPECT_EQ(EscapeMessageText(u"\u65e5"), u"%E6%97%A5%00");
}

TEST(UploadRequest, ServiceRequestsCarryPathIdAndVersionOnly) {
    const UploadRequest test = MakeServiceRequest(u"ID", false);
    EXPECT_EQ(test.slots[UploadRequest::kPath], u"/cgi-bin/navtex/navtex_upload.cgi");
    EXPECT_EQ(test.slots[UploadRequest::kUid], u"ID");
    EXPECT_EQ(test.slots[UploadRequest::kVersion], u"2.1.2");
    for (size_t slot = UploadRequest::kDate; slot < UploadRequest::kSlotCount; ++slot) {
        EXPECT_TRUE(test.slots[slot].empty()) << slot;
    }
    EXPECT_EQ(test.versionCheck, 0);
    EXPECT_EQ(MakeServiceRequest(u"", true).versionCheck, 1);
}

TEST(UploadHost, AcceptsHostAndPortOnly) {
    UploadHost host;
    ASSERT_TRUE(ParseUploadHost(u"127.0.0.1:8080", host));
    EXPECT_EQ(host.name, u"127.0.0.1");
    EXPECT_EQ(host.port, 8080);
    ASSERT_TRUE(ParseUploadHost(u"collect.example.org", host));
    EXPECT_EQ(host.port, 80);
    ASSERT_TRUE(ParseUploadHost(u"[::1]:65535", host));
    EXPECT_EQ(host.name, u"::1");
    EXPECT_EQ(host.port, 65535);

    for (const char16_t* bad :
         {u"", u"http://host", u"host/path", u"host:", u"host:0", u"host:65536", u"host:8a",
          u"ho st", u"user@host", u"a..b", u".host", u"host:80:81", u"[::1", u"[::1]x", u"[zz]",
          u"host?x", u"h\u00e9st"}) {
        EXPECT_FALSE(ParseUploadHost(bad, host)) << Narrow(bad);
    }

    bool rejected = false;
    EXPECT_EQ(ChooseUploadHost(u"", &rejected), kDefaultUploadHost);
    EXPECT_FALSE(rejected);
    EXPECT_EQ(ChooseUploadHost(u"http://x", &rejected), kDefaultUploadHost);
    EXPECT_TRUE(rejected);
    EXPECT_EQ(ChooseUploadHost(u"127.0.0.1:81", &rejected), u"127.0.0.1:81");
    EXPECT_FALSE(rejected);
    EXPECT_EQ(SignUpPageUrl(u"h:81"), u"http://h:81/cgi-bin/navtex/register.cgi");
    EXPECT_EQ(DownloadPageUrl(u"h"), u"http://h/navtex/?id=decoder");
}

TEST(UploadTestOutcome, OneBoxPerStatusAndReply) {
    struct Case {
        int status;
        std::optional<std::u16string> reply;
        int textId;
        std::u16string text;
        int captionId;
        BoxIcon icon;
    };
    const Case cases[] = {
        {-1, std::nullopt, 119, u"Request failed.\nInternet connection or server may be down.", 118,
         BoxIcon::Error},
        {0, std::nullopt, 117, u"Could not read server response.", 118, BoxIcon::Error},
        {1, std::nullopt, 117, u"Could not read server response.", 118, BoxIcon::Error},
        {1, u"Captain 100%s", 113, u"Connection okay, welcome Captain 100%s!", 114,
         BoxIcon::Information},
        {1, u"ERROR: database busy", 0, u"ERROR: database busy", 118, BoxIcon::Information},
        {1, u"ERROR Client test failed", 116, u"Sorry, that UID is not recognised", 115,
         BoxIcon::Information},
        // The searches are case-sensitive.
        {1, u"error client test failed", 113, u"Connection okay, welcome error client test failed!",
         114, BoxIcon::Information},
    };
    for (const Case& c : cases) {
        const ReplyBox box = UploadTestOutcome(c.status, c.reply);
        const std::string label = std::to_string(c.status) + " " + Narrow(c.reply.value_or(u"-"));
        EXPECT_EQ(box.textId, c.textId) << label;
        EXPECT_EQ(box.text, c.text) << label;
        EXPECT_EQ(box.captionId, c.captionId) << label;
        EXPECT_EQ(box.caption, ReplyString(c.captionId)) << label;
        EXPECT_EQ(box.icon, c.icon) << label;
        EXPECT_FALSE(box.yesNo);
    }
    EXPECT_EQ(ReplyString(114), u"Server response");
    EXPECT_EQ(ReplyString(118), u"Request failed");
}

TEST(UploadIdForm, GuidShapeOnly) {
    const std::u16string good = u"0123abcd-EF01-2345-6789-abcdefABCDEF";
    EXPECT_TRUE(IsUploadIdForm(good));
    EXPECT_FALSE(IsUploadIdForm(good.substr(1)));
    EXPECT_FALSE(IsUploadIdForm(good + u"0"));
    for (size_t hyphen : {8u, 13u, 18u, 23u}) {
        std::u16string s = good;
        s[hyphen] = u'0';
        EXPECT_FALSE(IsUploadIdForm(s)) << hyphen;
    }
    for (size_t i = 0; i < good.size(); ++i) {
        std::u16string s = good;
        s[i] = u'g';
        EXPECT_FALSE(IsUploadIdForm(s)) << i;
    }
    std::u16string fullwidth = good;
    fullwidth[0] = u'\uff10';
    EXPECT_FALSE(IsUploadIdForm(fullwidth));
    EXPECT_EQ(UpperCaseId(good), u"0123ABCD-EF01-2345-6789-ABCDEFABCDEF");
}

TEST(VersionCheckOutcome, CodeCommaText) {
    auto upgrade = VersionCheckOutcome(1, u"1,Version 2.2 is out, with fixes.");
    ASSERT_TRUE(upgrade);
    EXPECT_EQ(upgrade->text, u"Version 2.2 is out, with fixes.");
    EXPECT_EQ(upgrade->caption, u"Upgrade available");
    EXPECT_EQ(upgrade->icon, BoxIcon::Question);
    EXPECT_TRUE(upgrade->yesNo);

    auto info = VersionCheckOutcome(1, u"  +2,Service moves next week");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->text, u"Service moves next week");
    EXPECT_EQ(info->caption, u"Information");
    EXPECT_EQ(info->icon, BoxIcon::Information);
    EXPECT_FALSE(info->yesNo);

    for (const char16_t* silent : {u"1", u"1,", u"3,text", u"0,text", u",text", u"x1,text",
                                   u"-1,text", u"99999999999999,text"}) {
        EXPECT_FALSE(VersionCheckOutcome(1, silent)) << Narrow(silent);
    }
    EXPECT_FALSE(VersionCheckOutcome(0, u"1,text"));
    EXPECT_FALSE(VersionCheckOutcome(-1, u"1,text"));
    EXPECT_FALSE(VersionCheckOutcome(1, std::nullopt));

    EXPECT_EQ(LeadingInteger(u"\t-42abc"), -42);
    EXPECT_EQ(LeadingInteger(u"abc"), 0);
    EXPECT_EQ(LeadingInteger(u"99999999999999"), INT_MAX);
    EXPECT_EQ(LeadingInteger(u"-99999999999999"), INT_MIN);
}

}  // namespace
}  // namespace wavelore
