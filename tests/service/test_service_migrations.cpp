// The schema made from nothing, and brought up from the previous version
// with its data, by several service processes starting at once.
#include <gtest/gtest.h>

#include <thread>

#include "service/message_store.h"
#include "service/schema_migrations.h"
#include "service_harness.h"

namespace wavelore::test {
namespace {

using service::MigrateSchema;
using service::SqlResult;

class ServiceMigrations : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        if (!m_database.Available()) {
            GTEST_SKIP() << kNoPostgres;
        }
    }
    ScopedTempDir m_dir;
    CTestDatabase m_database{GetParam()};
};

TEST_P(ServiceMigrations, FromEmptyAtOnceAndFromThePreviousSchemaWithItsData) {
    // Two processes start on an empty database at the same moment: one
    // makes the schema, the other finds it made.
    {
        auto first = m_database.Open();
        auto second = m_database.Open();
        ASSERT_TRUE(first && second);
        bool ok[2] = {false, false};
        std::string errors[2];
        std::thread a([&] { ok[0] = MigrateSchema(*first, 1, errors[0]); });
        std::thread b([&] { ok[1] = MigrateSchema(*second, 1, errors[1]); });
        a.join();
        b.join();
        EXPECT_TRUE(ok[0]) << errors[0];
        EXPECT_TRUE(ok[1]) << errors[1];
    }
    auto db = m_database.Open();
    ASSERT_TRUE(db);
    std::string error;
    EXPECT_EQ(service::CurrentSchemaVersion(*db, error), 1) << error;

    // Data as version 1 kept it.
    ASSERT_TRUE(db->ExecuteScript(
        "INSERT INTO receivers (upload_id, name, created_at, reception_count) VALUES "
        "('0123ABCD-EF01-2345-6789-ABCDEFABCDEF', 'Old receiver', 1700000000, 1);"
        "INSERT INTO messages (navarea, b1, b2, number, first_seen, last_seen, text, quality, "
        "reception_count) VALUES (1, 'E', 'B', '07', 1700000000, 1700000000, "
        "'GALE WARNING DOVER STRAIT SOUTHWESTERLY GALES', 97, 1);"
        "INSERT INTO receptions (message_id, receiver_id, received_at, rx_date, rx_time, quality, "
        "version, text) VALUES (1, 1, 1700000000, '2023-11-14', '22:13:20', 97, '2.1.2', "
        "'GALE WARNING DOVER STRAIT SOUTHWESTERLY GALES')"))
        << db->Error();

    // Up to the current version: the old messages are found by words, and
    // merging, positions and every reading work on them.
    int from = -1;
    ASSERT_TRUE(MigrateSchema(*db, service::kSchemaVersion, error, &from)) << error;
    EXPECT_EQ(from, 1);
    EXPECT_EQ(service::CurrentSchemaVersion(*db, error), service::kSchemaVersion);
    db.reset();

    auto pool = m_database.Pool();
    service::CMessageStore store(*pool, [](std::u16string_view) {
        return std::vector<service::MessageGeometry>{
            {service::MessageGeometry::Kind::Circle, {{51.0, 1.5}}, 5.0}};
    });
    std::vector<service::MessageSummary> found;
    service::MessageQuery query;
    query.text = "gales dover";
    ASSERT_TRUE(store.ListMessages(query, found, error)) << error;
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].b1 + found[0].b2 + found[0].number, "EB07");

    service::Reception again;
    again.receiverId = 1;
    again.b1 = "E";
    again.b2 = "B";
    again.number = "07";
    again.date = "2023-11-15";
    again.time = "02:13:20";
    again.quality = 99;
    again.version = "2.1.2";
    again.text = "GALE WARNING DOVER STRAIT SOUTHWESTERLY GALES 8";
    again.receivedAt = 1700000000 + 4 * 3600;
    service::StoreResult result;
    ASSERT_TRUE(store.StoreReception(again, result, error)) << error;
    EXPECT_EQ(result.outcome, service::StoreOutcome::Merged);
    EXPECT_EQ(result.messageId, 1);
    query.text = "8";
    ASSERT_TRUE(store.ListMessages(query, found, error)) << error;
    EXPECT_EQ(found.size(), 1u) << "the search index follows the kept text";
    int64_t read = 0;
    ASSERT_TRUE(store.ReadAllPositions(read, error)) << error;
    EXPECT_EQ(read, 1);
    service::MessageDetail detail;
    bool exists = false;
    ASSERT_TRUE(store.GetMessage(1, detail, exists, error)) << error;
    EXPECT_EQ(detail.receptions.size(), 2u);
    ASSERT_EQ(detail.positions.size(), 1u);
    EXPECT_EQ(detail.positions[0].kind, service::MessageGeometry::Kind::Circle);

    // Running again changes nothing; a database from a newer program is
    // refused and left alone.
    db = m_database.Open();
    ASSERT_TRUE(MigrateSchema(*db, service::kSchemaVersion, error, &from)) << error;
    EXPECT_EQ(from, service::kSchemaVersion);
    ASSERT_TRUE(db->ExecuteScript("UPDATE schema_version SET version = 99"));
    EXPECT_FALSE(MigrateSchema(*db, service::kSchemaVersion, error));
    EXPECT_NE(error.find("newer than this program"), std::string::npos) << error;
    EXPECT_EQ(service::CurrentSchemaVersion(*db, error), 99);
}

INSTANTIATE_TEST_SUITE_P(Backends, ServiceMigrations,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres), BackendName);

}  // namespace
}  // namespace wavelore::test
