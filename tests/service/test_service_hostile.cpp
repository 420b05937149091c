// Bad, oversized and hostile requests: nothing a client sends reaches a
// statement or a page unescaped, and every refusal is an answer with a body.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "net/upload_request.h"
#include "service/json_writer.h"
#include "service_harness.h"
#include "support/upload_wire.h"

namespace wavelore::test {
namespace {

// SQL, HTML, script and header injection in one text.
constexpr const char* kHostile =
    "x'); DROP TABLE messages; -- \" OR 1=1 <script>alert(1)</script><img src=x onerror=alert(2)>"
    "]]></content>&amp;\r\nX-Injected: 1";

std::string EscapeAll(const std::string& text) {
    std::string out;
    constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : text) {
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
    return out;
}

std::string UploadBody(const std::vector<std::pair<std::string, std::string>>& parts) {
    const std::string request = UploadRequestOnTheWire("127.0.0.1", parts);
    return request.substr(request.find("\r\n\r\n") + 4);
}

HttpAnswer PostUpload(
    int port, const std::string& body,
    const std::string& type = "multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY") {
    return RawExchange(
        port, "POST /cgi-bin/navtex/navtex_upload.cgi HTTP/1.0\r\nContent-Type: " + type +
                  "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

class ServiceHostile : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        if (!m_service.Available()) {
            GTEST_SKIP() << kNoPostgres;
        }
        m_service.config.signUp = true;
        m_service.config.signUpsPerHour = 2;
        ASSERT_TRUE(m_service.Start());
        m_uid = m_service.AddReceiver("Harwich").uploadId;
    }

    std::vector<std::pair<std::string, std::string>> GoodParts(const std::string& text) const {
        return {{"PATH", "/cgi-bin/navtex/navtex_upload.cgi"},
                {"UID", m_uid},
                {"VERSION", "2.1.2"},
                {"DATE", "2027-01-15"},
                {"TIME", "09%3A05%3A07"},
                {"NAVAREA", "1"},
                {"STATION", "E"},
                {"NUMBER", "12"},
                {"MESSAGE", EscapeAll(text + std::string(1, '\0'))},
                {"TYPE", "A"},
                {"QUALITY", "98"}};
    }

    // No page shows anything hostile as markup.
    void ExpectEscaped(const HttpAnswer& answer, const std::string& where) {
        EXPECT_EQ(answer.body.find("<script"), std::string::npos) << where << answer.body;
        EXPECT_EQ(answer.body.find("<img"), std::string::npos) << where;
        EXPECT_EQ(answer.headers.find("X-Injected"), std::string::npos) << where;
    }

    CServiceHarness m_service{GetParam()};
    std::string m_uid;
};

TEST_P(ServiceHostile, InjectionInEveryFieldIsRefusedOrStoredAsText) {
    const int port = m_service.Port();
    // The hostile text in each field in turn; the message text is stored,
    // every other field is checked and refused, the ignored PATH changes
    // nothing.
    int stored = 0;
    for (size_t slot = 0; slot < UploadRequest::kSlotCount + 1; ++slot) {
        auto parts = GoodParts("NOTHING SPECIAL");
        parts[UploadRequest::kNumber].second = std::to_string(10 + slot);  // a message each
        if (slot == UploadRequest::kSlotCount) {
            parts.emplace_back("VERSIONCHECK", kHostile);
        } else if (slot == UploadRequest::kMessage) {
            parts[slot].second = EscapeAll(kHostile);
        } else {
            parts[slot].second = kHostile;
        }
        const HttpAnswer answer = PostUpload(port, UploadBody(parts));
        const std::string name =
            slot < UploadRequest::kSlotCount ? parts[slot].first : "VERSIONCHECK";
        if (slot == UploadRequest::kMessage || slot == UploadRequest::kPath) {
            EXPECT_EQ(answer.status, 200) << name << ": " << answer.body;
            ++stored;
        } else if (slot == UploadRequest::kUid) {
            EXPECT_EQ(answer.status, 403) << name;
            EXPECT_NE(answer.body.find("Client test failed"), std::string::npos);
        } else {
            EXPECT_EQ(answer.status, 400) << name << ": " << answer.body;
            EXPECT_EQ(answer.body.rfind("ERROR: bad request", 0), 0u)
                << name << ": " << answer.body;
            // The reason names the field, never echoes the value.
            EXPECT_EQ(answer.body.find("DROP"), std::string::npos) << name;
        }
    }
    EXPECT_EQ(m_service.Counts().messages, stored);
    // An invalid UTF-8 and NUL-laden text is stored as text, not refused by
    // the database (which would make the receiver retry it for ever).
    auto parts = GoodParts("");
    parts[8].second = "%FF%FE%C3%28OK%00%00";
    parts[7].second = "99";
    EXPECT_EQ(PostUpload(port, UploadBody(parts)).status, 200);

    // The stored hostile text on every page, the API and the feed.
    for (const std::string target :
         {"/", "/?q=DROP", "/message/2", "/api/messages", "/api/messages/2", "/feed.atom",
          "/receivers", "/receiver/1"}) {
        const HttpAnswer answer = Get(port, target);
        EXPECT_EQ(answer.status, 200) << target;
        ExpectEscaped(answer, target);
    }
    const HttpAnswer page = Get(port, "/message/2");
    EXPECT_NE(page.body.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.headers.find("Content-Security-Policy: default-src 'none'"), std::string::npos);
    const HttpAnswer feed = Get(port, "/feed.atom", "X: y\r\n");
    EXPECT_NE(feed.body.find("]]&gt;&lt;/content&gt;"), std::string::npos);

    // Hostile query parameters, paths and headers.
    const std::string q = "%27%29%3B%20DROP%20TABLE%20receivers%3B--%3Cscript%3E";
    const struct {
        std::string target;
        int status;
    } reads[] = {
        {"/?q=" + q, 200},
        {"/?station=" + q, 400},
        {"/?navarea=1%3BDROP", 400},
        {"/?since=" + q, 400},
        {"/?before=-1", 400},
        {"/?q=%00%FF%FE", 200},
        {"/api/messages?subject=" + q, 400},
        {"/api/messages?limit=100000", 400},
        {"/message/1%20OR%201=1", 404},
        {"/message/" + q, 404},
        {"/receiver/99999999999999999999", 404},
        {"/api/receivers/0", 404},
        {"/%3Cscript%3E", 404},
        {"/feed.atom?q=" + q, 200},
    };
    for (const auto& r : reads) {
        const HttpAnswer answer = Get(port, r.target);
        EXPECT_EQ(answer.status, r.status) << r.target << answer.body;
        ExpectEscaped(answer, r.target);
    }
    // A forged Host header cannot put markup into the feed's links.
    const HttpAnswer forged =
        RawExchange(port,
                    "GET /feed.atom HTTP/1.1\r\nHost: x\"><script>1</script>\r\nConnection: "
                    "close\r\n\r\n");
    EXPECT_NE(forged.body.find("http://localhost/feed.atom"), std::string::npos) << forged.body;

    // Everything is still there.
    EXPECT_EQ(m_service.Counts().receivers, 1);
    EXPECT_EQ(m_service.Counts().messages, stored + 1);
}

TEST_P(ServiceHostile, MalformedOversizedAndIdleRequestsGetAnAnswerOrTheDoor) {
    const int port = m_service.Port();
    const std::string good = UploadBody(GoodParts("TEXT"));
    struct Case {
        std::string what;
        std::string body;
        std::string type;
    };
    std::string parts;
    for (int i = 0; i < 40; ++i) {
        parts +=
            "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\nContent-Disposition: form-data; "
            "name=\"F" +
            std::to_string(i) + "\"\r\n\r\nv\r\n";
    }
    parts += "----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n";
    auto twice = GoodParts("TEXT");
    twice.emplace_back("UID", "0123ABCD-EF01-2345-6789-ABCDEFABCDEF");
    const Case cases[] = {
        {"not multipart", good, "text/plain"},
        {"no boundary", good, "multipart/form-data"},
        {"another boundary", good, "multipart/form-data; boundary=OTHER"},
        {"cut short", good.substr(0, good.size() / 2),
         "multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY"},
        {"40 parts", parts, "multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY"},
        {"a field twice", UploadBody(twice),
         "multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY"},
        {"empty", "", "multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY"},
    };
    for (const Case& c : cases) {
        const HttpAnswer answer = PostUpload(port, c.body, c.type);
        EXPECT_EQ(answer.status, 400) << c.what << ": " << answer.body;
        EXPECT_EQ(answer.body.rfind("ERROR: bad request", 0), 0u) << c.what << ": " << answer.body;
    }

    // Over the size limit, declared or streamed: refused with a body, so a
    // receiver would not send it again and again.
    const std::string huge(m_service.config.maxRequestBytes + 1, 'x');
    HttpAnswer answer = PostUpload(port, huge);
    EXPECT_EQ(answer.status, 413);
    EXPECT_EQ(answer.body, "ERROR: request too large");
    std::string chunked =
        "POST /cgi-bin/navtex/navtex_upload.cgi HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: "
        "chunked\r\nConnection: close\r\nContent-Type: multipart/form-data; boundary=b\r\n\r\n";
    for (int i = 0; i < 40; ++i) {
        chunked += "1000\r\n" + std::string(0x1000, 'y') + "\r\n";
    }
    chunked += "0\r\n\r\n";
    answer = RawExchange(port, chunked);
    EXPECT_EQ(answer.status, 413);
    // A header block of a megabyte is not read to its end.
    answer =
        RawExchange(port, "GET / HTTP/1.0\r\nX-Big: " + std::string(1 << 20, 'z') + "\r\n\r\n");
    EXPECT_GE(answer.status, 400);

    // Methods a path does not take.
    EXPECT_EQ(Get(port, "/cgi-bin/navtex/navtex_upload.cgi").status, 405);
    EXPECT_EQ(RawExchange(port, "DELETE / HTTP/1.0\r\n\r\n").status, 405);

    // A client that connects and says nothing is let go after the idle
    // time-out (2 s here).
    const auto start = std::chrono::steady_clock::now();
    const int fd = ConnectLoopback(port);
    ASSERT_GE(fd, 0);
    ReadToEnd(fd);
    close(fd);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    // The service still answers as before.
    EXPECT_EQ(PostUpload(port, good).status, 200);
}

TEST_P(ServiceHostile, TheSignUpPageMakesReceiversOnlyAsConfigured) {
    const int port = m_service.Port();
    const auto post = [port](const std::string& form) {
        return RawExchange(port,
                           "POST /cgi-bin/navtex/register.cgi HTTP/1.0\r\nContent-Type: "
                           "application/x-www-form-urlencoded\r\nContent-Length: " +
                               std::to_string(form.size()) + "\r\n\r\n" + form);
    };
    EXPECT_EQ(Get(port, "/cgi-bin/navtex/register.cgi").status, 200);
    // A name the receiver's dialog would read as a failure, a half position.
    EXPECT_EQ(post("name=My+ERROR+box").status, 400);
    EXPECT_EQ(post("name=Ok&latitude=51.1").status, 400);
    EXPECT_EQ(post("name=Ok&latitude=91&longitude=0").status, 400);
    const HttpAnswer made = post("name=%3Cb%3EEve%3C%2Fb%3E&latitude=51.95&longitude=1.35");
    ASSERT_EQ(made.status, 201) << made.body;
    ExpectEscaped(made, "sign-up");
    EXPECT_NE(made.body.find("&lt;b&gt;Eve&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(made.headers.find("Cache-Control: no-store"), std::string::npos);
    // Two an hour here: the third waits.
    EXPECT_EQ(post("name=Third").status, 429);
    EXPECT_EQ(m_service.Counts().receivers, 2);

    // Closed, the page says so and makes nothing.
    m_service.Stop();
    m_service.config.signUp = false;
    ASSERT_TRUE(m_service.Start());
    m_service.now += 7200;
    EXPECT_EQ(Get(m_service.Port(), "/cgi-bin/navtex/register.cgi").status, 404);
    EXPECT_EQ(RawExchange(m_service.Port(),
                          "POST /cgi-bin/navtex/register.cgi HTTP/1.0\r\nContent-Type: "
                          "application/x-www-form-urlencoded\r\nContent-Length: 8\r\n\r\nname=Bob")
                  .status,
              404);
    EXPECT_EQ(m_service.Counts().receivers, 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, ServiceHostile,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres), BackendName);

}  // namespace
}  // namespace wavelore::test
