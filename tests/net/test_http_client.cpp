#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "net/http_client.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;
using test::LoopbackServer;

constexpr std::u16string_view kPath = u"/cgi-bin/navtex/navtex_upload.cgi";
constexpr std::u16string_view kAgent = u"Wavelore v2.1.2";

std::string TextPart(const std::string& name, const std::string& value) {
    return "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
           "Content-Disposition: form-data; name=\"" +
           name +
           "\"\r\n"
           "Content-Type: text/plain; charset=\"utf-8\"\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n"
           "\r\n" +
           value + "\r\n";
}

const std::string kClosing = "----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n";

std::string Head(const LoopbackServer& server, size_t length) {
    return "POST /cgi-bin/navtex/navtex_upload.cgi HTTP/1.0\r\n"
           "Host: " +
           server.Host() +
           "\r\n"
           "User-Agent: Wavelore v2.1.2\r\n"
           "Accept: */*\r\n"
           "Content-Type: multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
           "Content-Length: " +
           std::to_string(length) + "\r\n\r\n";
}

// One exchange as the upload worker makes it; returns ReadReply's result.
int Exchange(CHttpClient& client, int port, std::string& headers, std::string& body,
             size_t capacity = 1023) {
    if (client.Open(u"127.0.0.1", kAgent, port, {}, {}) != 1) {
        return -1;
    }
    client.Send(kPath, HttpClient::kMultipartPost);
    const int ok = client.ReadReply(headers, capacity, body, capacity);
    client.Close();
    return ok;
}

TEST(HttpClient, MultipartPostIsExactOnTheWire) {
    LoopbackServer server;
    server.SetReply(LoopbackServer::Reply("200 OK", "thanks"));
    CHttpClient client;
    ASSERT_EQ(client.Open(u"127.0.0.1", kAgent, server.Port(), {}, {}), 1);
    client.ResetFields();
    client.AddField(u"PATH", kPath, false);
    client.AddField(u"TIME", u"09%3A05%3A07", false);
    client.AddField(u"MESSAGE", u"%41%42%0D%0A%00", false);
    client.AddField(u"STATION", u"\u00c5\u65e5", false);  // UTF-8 on the wire
    client.AddField(u"QUALITY", u"98", false);
    EXPECT_EQ(client.Send(kPath, HttpClient::kMultipartPost), 1);
    std::string headers, body;
    EXPECT_EQ(client.ReadReply(headers, 1023, body, 1023), 1);
    EXPECT_EQ(client.Close(), 1);
    EXPECT_EQ(body, "thanks");
    EXPECT_TRUE(headers.starts_with("HTTP/1.0 200 OK\r\n")) << headers;
    EXPECT_TRUE(headers.ends_with("\r\n\r\n"));

    const std::string expectedBody =
        TextPart("PATH", "/cgi-bin/navtex/navtex_upload.cgi") + TextPart("TIME", "09%3A05%3A07") +
        TextPart("MESSAGE", "%41%42%0D%0A%00") + TextPart("STATION", "\xc3\x85\xe6\x97\xa5") +
        TextPart("QUALITY", "98") + kClosing;
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0], Head(server, expectedBody.size()) + expectedBody);
}

TEST(HttpClient, NoFieldsGiveTheThirtyEightByteClosingLine) {
    std::string body;
    ASSERT_TRUE(HttpClient::BuildBody({}, body));
    EXPECT_EQ(body, kClosing);
    EXPECT_EQ(body.size(), 38u);

    LoopbackServer server;
    CHttpClient client;
    std::string h, b;
    EXPECT_EQ(Exchange(client, server.Port(), h, b), 1);
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0], Head(server, 38) + kClosing);
}

TEST(HttpClient, FieldLimitsRefuseSilently) {
    CHttpClient client;
    const std::u16string name255(255, u'n');
    const std::u16string value65535(65535, u'v');
    client.AddField(name255, u"x", false);
    client.AddField(name255 + u"n", u"x", false);
    client.AddField(u"V", value65535, false);
    client.AddField(u"V", value65535 + u"v", false);
    ASSERT_EQ(client.Fields().size(), 2u);
    EXPECT_EQ(client.Fields()[0].name.size(), 255u);
    EXPECT_EQ(client.Fields()[1].value.size(), 65535u);
    EXPECT_EQ(client.Fields()[1].kind, FormField::kText);
    client.ResetFields();
    EXPECT_TRUE(client.Fields().empty());
}

TEST(HttpClient, ReplyIsCutAtTheBodyCapacity) {
    LoopbackServer server;
    std::string page;
    for (int i = 0; i < 5000; ++i) {
        page += static_cast<char>('a' + i % 26);
    }
    server.SetReply(LoopbackServer::Reply("200 OK", page));
    CHttpClient client;
    std::string headers, body;
    EXPECT_EQ(Exchange(client, server.Port(), headers, body), 1);
    EXPECT_EQ(body, page.substr(0, 1023));
}

TEST(HttpClient, ReplyRules) {
    LoopbackServer server;
    CHttpClient client;
    std::string headers, body;

    // An error page is still a reply: the status is not examined.
    server.SetReply(LoopbackServer::Reply("404 Not Found", "<h1>not here</h1>"));
    EXPECT_EQ(Exchange(client, server.Port(), headers, body), 1);
    EXPECT_EQ(body, "<h1>not here</h1>");
    server.SetReply(LoopbackServer::Reply("500 Internal Server Error", "oops"));
    EXPECT_EQ(Exchange(client, server.Port(), headers, body), 1);

    server.SetReply(LoopbackServer::Reply("200 OK", ""));
    EXPECT_EQ(Exchange(client, server.Port(), headers, body), 0);
    EXPECT_EQ(client.LastError(), HttpClient::kErrorEmptyBody);

    // A header block that does not fit the header capacity fails.
    server.SetReply("HTTP/1.0 200 OK\r\nX-Padding: " + std::string(1100, 'p') + "\r\n\r\nok");
    EXPECT_EQ(Exchange(client, server.Port(), headers, body), 0);
    EXPECT_EQ(client.LastError(), HttpClient::kErrorHeadersTooLarge);

    // Not HTTP at all, or no answer: no headers, failure.
    server.SetReply("garbage without any header\r\n");
    EXPECT_EQ(Exchange(client, server.Port(), headers, body), 0);
    server.SetReply("");
    EXPECT_EQ(Exchange(client, server.Port(), headers, body), 0);
    EXPECT_EQ(client.LastError(), HttpClient::kErrorNoHeaders);
}

TEST(HttpClient, ServerDownOrSlowFailsInBoundedTime) {
    CHttpClient client;
    std::string headers, body;
    EXPECT_EQ(client.Open(u"127.0.0.1", kAgent, test::UnusedLoopbackPort(), {}, {}), 1);
    EXPECT_EQ(client.Send(kPath, HttpClient::kMultipartPost), 0);
    EXPECT_NE(client.LastError(), 0u);
    EXPECT_EQ(client.ReadReply(headers, 1023, body, 1023), 0);
    client.Close();

    LoopbackServer server;
    server.SetDelay(3000ms);
    client.SetTimeouts(200, 300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Exchange(client, server.Port(), headers, body), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
}

TEST(HttpClient, MisuseFailsCleanly) {
    CHttpClient client;
    std::string headers, body;
    EXPECT_EQ(client.Send(kPath, HttpClient::kMultipartPost), 0);
    EXPECT_EQ(client.LastError(), HttpClient::kErrorNotOpen);
    EXPECT_EQ(client.ReadReply(headers, 1023, body, 1023), 0);
    EXPECT_EQ(client.LastError(), HttpClient::kErrorNoRequest);
    EXPECT_EQ(client.Open(u"bad host/x", kAgent, 80, {}, {}), 0);
    EXPECT_EQ(client.Open(u"127.0.0.1", kAgent, 0, {}, {}), 0);
    ASSERT_EQ(client.Open(u"127.0.0.1", kAgent, 80, {}, {}), 1);
    EXPECT_EQ(client.Send(u"/with space\r\nX: y", HttpClient::kMultipartPost), 0);
    EXPECT_EQ(client.LastError(), HttpClient::kErrorBadArgument);
    EXPECT_EQ(client.Close(), 1);
    EXPECT_EQ(client.Close(), 1);
}

TEST(HttpClient, GetAndFormPost) {
    LoopbackServer server;
    CHttpClient client;
    ASSERT_EQ(client.Open(u"127.0.0.1", kAgent, server.Port(), {}, {}), 1);
    client.AddField(u"IGNORED", u"x", false);
    EXPECT_EQ(client.Send(u"/page", 0), 1);
    EXPECT_EQ(client.Send(u"/form", HttpClient::kFormPost), 1);
    client.Close();
    ASSERT_EQ(server.RequestCount(), 2u);
    const auto requests = server.Requests();
    EXPECT_TRUE(requests[0].starts_with("GET /page HTTP/1.0\r\n")) << requests[0];
    EXPECT_NE(requests[0].find("\r\nAccept: */*\r\n"), std::string::npos);
    EXPECT_TRUE(requests[1].starts_with("POST /form HTTP/1.0\r\n")) << requests[1];
    EXPECT_NE(requests[1].find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"),
              std::string::npos);
    EXPECT_TRUE(requests[1].ends_with("\r\n\r\n"));
}

TEST(HttpClient, FilePartCarriesTheFileBytes) {
    test::ScopedTempDir dir;
    test::WriteFile("data.bin", std::string("a\0b", 3));
    std::vector<FormField> fields{{u"F", u"data.bin", FormField::kFile}};
    std::string body;
    ASSERT_TRUE(HttpClient::BuildBody(fields, body));
    EXPECT_EQ(body,
              "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
              "Content-Disposition: form-data; name=\"F\"; filename=\"data.bin\"\r\n"
              "Content-Type: application/octet-stream\r\n\r\n" +
                  std::string("a\0b", 3) + "\r\n" + kClosing);
    fields[0].value = u"missing.bin";
    EXPECT_FALSE(HttpClient::BuildBody(fields, body));
}

}  // namespace
}  // namespace wavelore
