// The warnings for chart programs: geometries kept in the message index
// (made again from the stored files), and the feeds under logs/ holding the
// selected warnings heard in the last days, each message once.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/message_filter.h"
#include "app/message_index.h"
#include "app/message_selection.h"
#include "app/warning_feeds.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

class CNotes final : public IUserNotifier {
  public:
    void ShowMessage(const std::u16string& text) override { notes.push_back(ToUtf8(text)); }
    std::vector<std::string> notes;
};

// A message stored as the assembler stores it, and its record.
MessageRecord Stored(const std::string& date, const std::string& time, const std::string& id,
                     const std::string& body) {
    MessageRecord r;
    r.date = FromUtf8(date);
    r.time = FromUtf8(time);
    r.b1 = FromUtf8(id.substr(0, 1));
    r.b2 = FromUtf8(id.substr(1, 1));
    r.number = FromUtf8(id.substr(2));
    r.text = FromUtf8("\r\n" + body + "\r\nNNNN\r\n");
    r.good = 300;
    r.errors = 0;
    r.quality = 100;
    std::string name = time;
    name[2] = '.';
    name[5] = '.';
    r.path = fs::absolute(fs::path("logs") / date / (date + ' ' + name + ' ' + id + ".txt"));
    fs::create_directories(r.path.parent_path());
    WriteFile(r.path, time + ' ' + date + "\r\n\r\nZCZC " + id + "\r\n" + ToUtf8(r.text));
    return r;
}

TEST(WarningFeeds, HoldTheSelectedWarningsHeardLatelyOnceEachFromAnIndexMadeAgain) {
    test::ScopedTempDir dir;
    // Stored before the index existed: found when it is made.
    Stored("2024-03-01", "08:00:00", "EA40", "WRECK IN 50-10N 001-20W.");
    CMessageSelection selection(u"EG", u"");
    CNotes notes;
    CMessageIndex index(".", selection, &notes);
    ASSERT_TRUE(index.Open());
    // The fresh index filled before the messages come, so that each is
    // indexed, and the feeds rewritten, as it is stored.
    index.RowsOfDay(u"2024-03-01");
    CWarningFeeds feeds(".", index, &notes);
    feeds.SetNavArea(1);
    CMessageFilter filter(selection, &index);
    filter.AddOutput(&feeds, CMessageFilter::Wants::Every);

    // Heard long ago and not since; selected; selected again as a repeat
    // the next day; a station not selected; a message without positions.
    filter.MessageStored(Stored("2024-02-01", "08:00:00", "EA30", "BUOY 51-00N 002-00E."),
                         StorePlace::LogDay);
    filter.MessageStored(Stored("2024-03-05", "12:00:00", "GA12",
                                "FIRING EXERCISES AREA BOUNDED BY 54-10N 003-20E, 54-20N 003-20E, "
                                "54-20N 003-40E. WRECK 54-12.5N 003-40.2E."),
                         StorePlace::LogDay);
    filter.MessageStored(
        Stored("2024-03-06", "12:00:00", "GA12",
               "FIRING EXERCISES AREA BOUNDED BY 54-10N 003-20E, 54-20N 003-20E, 54-20N 003-40E. "
               "WRECK 54-12.5N 003-40.2E."),
        StorePlace::LogDay);
    filter.MessageStored(Stored("2024-03-06", "13:00:00", "FA01", "WRECK 52-00N 004-00E."),
                         StorePlace::LogDay);
    filter.MessageStored(Stored("2024-03-06", "14:00:00", "EE02", "NO GALES EXPECTED."),
                         StorePlace::LogDay);

    GeometryQuery all;
    EXPECT_EQ(index.Geometries(all).value().size(), 7u);
    GeometryQuery e;
    e.stations = u"E";
    e.from = CalendarSeconds({2024, 2, 15, 0, 0, 0});
    const std::vector<IndexedGeometry> fromE = index.Geometries(e).value();
    ASSERT_EQ(fromE.size(), 1u);
    EXPECT_EQ(fromE[0].geometry.identity.code, u"EA40");
    EXPECT_EQ(fromE[0].geometry.identity.station, u"E Niton");
    EXPECT_EQ(fromE[0].geometry.kind, GeometryKind::Point);
    EXPECT_NEAR(fromE[0].geometry.positions[0].latitude, 50.0 + 10.0 / 60.0, 1e-12);
    EXPECT_NEAR(fromE[0].geometry.positions[0].longitude, -(1.0 + 20.0 / 60.0), 1e-12);

    // EA40 within the week, GA12 once (its first reception, not the
    // repeat); EA30 too old, FA01 not selected.
    const std::string geojson = ReadFile("logs/warnings.geojson");
    EXPECT_EQ(test::CountOf(geojson, "\"type\":\"Feature\""), 3u) << geojson;
    EXPECT_EQ(test::CountOf(geojson, "\"name\":\"GA12-1\""), 1u);
    EXPECT_EQ(test::CountOf(geojson, "\"name\":\"GA12-2\""), 1u);
    EXPECT_EQ(test::CountOf(geojson, "\"name\":\"EA40\""), 1u);
    EXPECT_EQ(test::CountOf(geojson, "2024-03-05T12:00:00"), 2u);
    EXPECT_EQ(test::CountOf(geojson, "\"time\":\"2024-03-06"), 0u);
    EXPECT_EQ(test::CountOf(geojson, "FIRING EXERCISES"), 2u);
    EXPECT_EQ(test::CountOf(geojson, "EA30"), 0u);
    EXPECT_EQ(test::CountOf(geojson, "FA01"), 0u);
    const std::string gpx = ReadFile("logs/warnings.gpx");
    EXPECT_EQ(test::CountOf(gpx, "<wpt "), 2u) << gpx;
    EXPECT_EQ(test::CountOf(gpx, "<rte>"), 1u);

    // Made again from the files: the same geometries, now without counts,
    // so every reception is new and the newest of GA12 stands for it.
    fs::remove("logs/messages.db");
    CMessageIndex again(".", selection, &notes);
    ASSERT_TRUE(again.Open());
    again.RowsOfDay(u"2024-03-01");
    EXPECT_EQ(again.Geometries(all).value().size(), 7u);
    CWarningFeeds fresh(".", again, &notes);
    EXPECT_FALSE(fresh.Rewrite({2024, 3, 7, 0, 0, 0}));
    EXPECT_EQ(test::CountOf(ReadFile("logs/warnings.geojson"), "\"time\":\"2024-03-06T12:00:00\""),
              2u);

    // A file that cannot be written is said once, until it can again.
    EXPECT_TRUE(notes.notes.empty());
    fs::create_directory("logs/warnings.gpx.d");
    fs::remove("logs/warnings.gpx");
    fs::rename("logs/warnings.gpx.d", "logs/warnings.gpx");
    EXPECT_TRUE(fresh.Rewrite({2024, 3, 7, 0, 0, 0}));
    EXPECT_TRUE(fresh.Rewrite({2024, 3, 7, 0, 0, 0}));
    ASSERT_EQ(notes.notes.size(), 1u);
    EXPECT_NE(notes.notes[0].find("logs/warnings.gpx\" ("), std::string::npos) << notes.notes[0];
    // The other feed is still written.
    EXPECT_TRUE(fresh.Rewrite({2024, 4, 7, 0, 0, 0}));
    EXPECT_EQ(test::CountOf(ReadFile("logs/warnings.geojson"), "\"type\":\"Feature\""), 0u);
}

}  // namespace
}  // namespace wavelore
