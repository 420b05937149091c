// A million stored messages: fills a service database with years of
// messages (unless it already holds them) and times the latest-messages
// page and full-text searches as the service renders them, in process, so
// the figures are the service's own time without the network.
//
//   service_million (--data DIR | --database URL) [--messages N] [--runs R]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "service/message_store.h"
#include "service/schema_migrations.h"
#include "service/service_config.h"
#include "service/service_routes.h"
#include "service/service_setup.h"

namespace {

using namespace wavelore::service;
using Clock = std::chrono::steady_clock;

constexpr int kBatch = 200;  // rows per INSERT statement
constexpr int kReceivers = 40;

const char* const kAreas[] = {"DOVER STRAIT", "ENGLISH CHANNEL", "THAMES ESTUARY", "HUMBER",
                              "GERMAN BIGHT", "SKAGERRAK",       "NORTH UTSIRE",   "FAIR ISLE",
                              "IRISH SEA",    "BISCAY",          "FISHER",         "DOGGER"};
const char* const kKinds[] = {
    "WRECK",         "UNLIT BUOY", "DRIFTING CONTAINER", "CABLE OPERATIONS", "FIRING EXERCISES",
    "SURVEY VESSEL", "DERELICT",   "LIGHT UNLIT"};
const char* const kWinds[] = {"SOUTHWESTERLY", "WESTERLY", "NORTHERLY",
                              "EASTERLY",      "CYCLONIC", "NORTHWESTERLY"};

unsigned Below(std::mt19937& random, unsigned n) {
    return static_cast<unsigned>(random() % n);
}

std::string Text(std::mt19937& random, char subject) {
    char buffer[512];
    const unsigned vessel = Below(random, 5000);
    switch (subject) {
        case 'B':
            std::snprintf(buffer, sizeof buffer,
                          "GALE WARNING %u\r\n%s %s\r\n%s GALE FORCE %u EXPECTED SOON, "
                          "VEERING LATER.\r\n",
                          Below(random, 500), kAreas[Below(random, 12)], kAreas[Below(random, 12)],
                          kWinds[Below(random, 6)], 7 + Below(random, 3));
            break;
        case 'E':
            std::snprintf(buffer, sizeof buffer,
                          "SHIPPING FORECAST\r\n%s %s: %s 4 OR 5, OCCASIONALLY 6 LATER. "
                          "MODERATE. RAIN. GOOD, OCCASIONALLY POOR.\r\n",
                          kAreas[Below(random, 12)], kAreas[Below(random, 12)],
                          kWinds[Below(random, 6)]);
            break;
        default:
            std::snprintf(buffer, sizeof buffer,
                          "NAVAREA I %u/%u\r\n%s.\r\n%s IN POSITION %02u-%04.1fN %03u-%04.1fE. "
                          "VESSEL MV NORDIC%04u REPORTS. WIDE BERTH REQUESTED.\r\n",
                          Below(random, 999), 20 + Below(random, 7), kAreas[Below(random, 12)],
                          kKinds[Below(random, 8)], 49 + Below(random, 12),
                          (Below(random, 600)) / 10.0, Below(random, 10),
                          (Below(random, 600)) / 10.0, vessel);
    }
    return buffer;
}

bool Fill(CDatabasePool& pool, int64_t messages) {
    std::string error;
    auto db = pool.Acquire(std::chrono::seconds(5), error);
    if (!db) {
        std::fprintf(stderr, "service_million: %s\n", error.c_str());
        return false;
    }
    SqlResult r;
    db->Query("SELECT COUNT(*) FROM messages", {}, &r);
    const int64_t have = r.Int(0, 0);
    if (have >= messages) {
        std::printf("the database holds %lld messages already\n", static_cast<long long>(have));
        return true;
    }
    for (int i = 0; i < kReceivers; ++i) {
        char uid[40];
        std::snprintf(uid, sizeof uid, "00000000-0000-4000-8000-%012d", i);
        db->Query(
            "INSERT INTO receivers (upload_id, name, created_at) VALUES ($1, $2, 0) "
            "ON CONFLICT (upload_id) DO NOTHING",
            {std::string(uid), "Bench receiver " + std::to_string(i)});
    }
    std::mt19937 random(42);
    const int64_t start = 1'700'000'000;
    const int64_t span = 3LL * 365 * 24 * 3600;  // three years of messages
    const auto begun = Clock::now();
    for (int64_t n = have; n < messages;) {
        CSqlTransaction transaction(*db, CSqlTransaction::Kind::Write);
        for (int statement = 0; statement < 25 && n < messages; ++statement) {
            const int rows = static_cast<int>(std::min<int64_t>(kBatch, messages - n));
            std::string sql =
                "INSERT INTO messages (navarea, b1, b2, number, first_seen, last_seen, text, "
                "quality, reception_count) VALUES ";
            std::vector<SqlValue> params;
            for (int i = 0; i < rows; ++i, ++n) {
                const char subject = "ABBEEEAADL"[random() % 10];
                const int64_t t = start + n * span / messages;
                const size_t p = params.size();
                sql += (i == 0 ? "(" : ",(");
                for (int c = 1; c <= 8; ++c) {
                    sql += '$';
                    sql += std::to_string(p + c);
                    sql += c == 8 ? ",1)" : ",";
                }
                params.insert(
                    params.end(),
                    {int64_t(1 + random() % 3 / 2), std::string(1, char('A' + random() % 26)),
                     std::string(1, subject), std::to_string(10 + random() % 90), t, t,
                     Text(random, subject), int64_t(70 + random() % 31)});
            }
            if (!db->Query(sql, params)) {
                std::fprintf(stderr, "service_million: %s\n", db->Error().c_str());
                return false;
            }
        }
        if (!transaction.Commit()) {
            std::fprintf(stderr, "service_million: %s\n", db->Error().c_str());
            return false;
        }
        if (n % 100000 < kBatch * 25) {
            std::printf("  %lld messages, %.0f s\n", static_cast<long long>(n),
                        std::chrono::duration<double>(Clock::now() - begun).count());
            std::fflush(stdout);
        }
    }
    // One reception each, as every message has at least one.
    if (!db->ExecuteScript("INSERT INTO receptions (message_id, receiver_id, received_at, "
                           "rx_date, rx_time, quality, version, text) SELECT id, 1 + id % 40, "
                           "first_seen, '2026-01-01', '00:00:00', quality, '2.1.2', text FROM "
                           "messages WHERE id NOT IN (SELECT message_id FROM receptions)")) {
        std::fprintf(stderr, "service_million: %s\n", db->Error().c_str());
        return false;
    }
    if (db->Dialect() == SqlDialect::Postgres) {
        db->ExecuteScript("VACUUM ANALYZE");
    } else {
        db->ExecuteScript(
            "ANALYZE; INSERT INTO messages_search (messages_search) VALUES ('optimize')");
    }
    std::printf("filled in %.0f s\n", std::chrono::duration<double>(Clock::now() - begun).count());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ServiceConfig config;
    int64_t messages = 1'000'000;
    int runs = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--data") {
            config.data = argv[i + 1];
        } else if (key == "--database") {
            config.database = argv[i + 1];
        } else if (key == "--messages") {
            messages = std::atoll(argv[i + 1]);
        } else if (key == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else {
            std::fprintf(stderr,
                         "usage: service_million (--data DIR | --database URL) "
                         "[--messages N] [--runs R]\n");
            return 2;
        }
    }
    std::string error;
    auto pool = OpenMigratedDatabase(config, error);
    if (!pool) {
        std::fprintf(stderr, "service_million: %s\n", error.c_str());
        return 1;
    }
    if (!Fill(*pool, messages)) {
        return 1;
    }
    CMessageStore store(*pool);
    CServiceMetrics metrics;
    CServiceLog log(nullptr);
    CServiceRoutes routes(store, config, metrics, log, [] { return int64_t(1'800'000'000); });
    const char* const targets[] = {
        "/",                       // the latest messages
        "/?navarea=1&station=E",   // one station
        "/?subject=D",             // a rare subject
        "/?q=gale",                // a word in a third of all texts
        "/?q=nordic0042",          // a word in a few hundred
        "/?q=wreck+dover+strait",  // several words
        "/?q=gale&subject=B&navarea=1",
        "/?q=zzzznotthere",  // in none
        "/?before=500000",   // a page deep in the past
        "/api/messages?q=firing+exercises",
        "/feed.atom?subject=B",
    };
    std::printf("%-34s %9s %9s %9s %6s\n", "page", "median ms", "p95 ms", "max ms", "items");
    for (const char* target : targets) {
        HttpRequest request;
        request.method = "GET";
        const std::string t = target;
        const size_t q = t.find('?');
        request.path = t.substr(0, q);
        if (q != std::string::npos) {
            std::string rest = t.substr(q + 1);
            while (!rest.empty()) {
                const size_t amp = rest.find('&');
                const std::string pair = rest.substr(0, amp);
                rest = amp == std::string::npos ? "" : rest.substr(amp + 1);
                const size_t eq = pair.find('=');
                std::string value = pair.substr(eq + 1);
                std::replace(value.begin(), value.end(), '+', ' ');
                request.query.emplace_back(pair.substr(0, eq), value);
            }
        }
        std::vector<double> ms;
        size_t items = 0;
        for (int run = 0; run < runs + 2; ++run) {
            const auto begun = Clock::now();
            const HttpResponse response = routes.Handle(request);
            const double took =
                std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
            if (response.status != 200) {
                std::fprintf(stderr, "service_million: %s answered %d\n", target, response.status);
                return 1;
            }
            items = 0;
            for (size_t at = 0; (at = response.body.find("/message/", at)) != std::string::npos;
                 ++at) {
                ++items;
            }
            if (run >= 2) {  // the first two warm the caches
                ms.push_back(took);
            }
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-34s %9.1f %9.1f %9.1f %6zu\n", target, ms[ms.size() / 2],
                    ms[std::min(ms.size() - 1, ms.size() * 95 / 100)], ms.back(), items);
    }
    return 0;
}
