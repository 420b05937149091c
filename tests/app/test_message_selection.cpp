// Station and subject selection with its four fixed subjects, kept in the
// settings; station names from the built-in list.
#include <gtest/gtest.h>

#include "app/message_selection.h"
#include "app/profile_store.h"
#include "app/settings.h"
#include "app/station_table.h"

namespace wavelore {
namespace {

TEST(MessageSelection, SubjectsABDAndLCannotBeDeselected) {
    CMemoryProfileStore store;
    CSettings settings(store);
    const CMessageSelection all = settings.Selection();
    EXPECT_EQ(all.Stations(), CMessageSelection::kAllLetters);
    EXPECT_EQ(all.Subjects(), CMessageSelection::kAllLetters);
    EXPECT_EQ(settings.NavArea(), 1);
    EXPECT_EQ(store.Size(), 0u);

    // Whatever is asked for, the fixed subjects stay; letters are cleaned.
    const CMessageSelection none(u"", u"");
    EXPECT_EQ(none.Subjects(), u"ABDL");
    EXPECT_FALSE(none.IsSelected(u"E", u"D"));  // no station chosen
    const CMessageSelection some(u"kE k1", u"ce");
    EXPECT_EQ(some.Stations(), u"EK");
    EXPECT_EQ(some.Subjects(), u"ABCDEL");
    for (const char16_t* b2 : {u"A", u"B", u"D", u"L", u"C", u"E", u"Ｌ"}) {
        EXPECT_TRUE(some.IsSelected(u"K", b2)) << static_cast<int>(b2[0]);
    }
    EXPECT_FALSE(some.IsSelected(u"K", u"F"));
    EXPECT_FALSE(some.IsSelected(u"G", u"D"));
    EXPECT_FALSE(some.IsSelected(u"K", u""));

    // Stored as the letters, read back with the fixed subjects even when
    // the profile was edited by hand.
    ASSERT_TRUE(settings.WriteSelection(some));
    EXPECT_EQ(store.GetString(CSettings::kSection, u"Subjects", u""), u"ABCDEL");
    store.WriteString(CSettings::kSection, u"Subjects", u"F");
    EXPECT_EQ(settings.Selection().Subjects(), u"ABDFL");
    EXPECT_EQ(settings.Selection().Stations(), u"EK");

    EXPECT_FALSE(settings.WriteNavArea(22));
    ASSERT_TRUE(settings.WriteNavArea(4));
    EXPECT_EQ(settings.NavArea(), 4);
    store.WriteInt(CSettings::kSection, u"NavArea", 0);
    EXPECT_EQ(settings.NavArea(), 1);
}

TEST(StationTable, NamesALetterByNavAreaPreferring518Kilohertz) {
    // E in NAVAREA 1 is Niton on 518 kHz and Saudanes on 490 kHz.
    EXPECT_EQ(CStationTable::DisplayName(1, u"E"), u"E Niton");
    EXPECT_EQ(CStationTable::Lookup(1, u'E').frequencyHz, 518000);
    // U has 490 kHz only there.
    const StationName u = CStationTable::Lookup(1, u'U');
    EXPECT_EQ(u.name, u"Cullercoats");
    EXPECT_EQ(CStationTable::FrequencyText(u.frequencyHz), u"490 kHz");
    // Two stations share H on 518 kHz in NAVAREA 4.
    EXPECT_EQ(CStationTable::DisplayName(4, u"H"), u"H Curacao / Wiarton");
    EXPECT_EQ(CStationTable::DisplayName(6, u"P"), u"P Bahía Blanca");
    // Without 518 kHz, 490 kHz comes before 4209.5 kHz.
    EXPECT_EQ(CStationTable::Lookup(3, u'S').name, u"Cross La Garde");
    EXPECT_EQ(CStationTable::FrequencyText(4209500), u"4209.5 kHz");
    // Unknown letters, NAVAREAs and odd letters show the letter alone.
    EXPECT_EQ(CStationTable::DisplayName(1, u"Z"), u"Z");
    EXPECT_EQ(CStationTable::DisplayName(21, u"E"), u"E");
    EXPECT_EQ(CStationTable::DisplayName(1, u"_"), u"_");
    EXPECT_EQ(CStationTable::Lookup(1, u'Z').frequencyHz, 0);
    EXPECT_EQ(CStationTable::All().size(), 186u);
    EXPECT_EQ(CStationTable::OfNavArea(1).size(), 30u);
}

}  // namespace
}  // namespace wavelore
