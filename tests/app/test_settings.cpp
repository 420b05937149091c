#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/nmea_server_settings.h"
#include "app/profile_store.h"
#include "app/qt/profile_store_qt.h"
#include "app/settings.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

using test::ReadFile;
using test::ScopedTempDir;

TEST(Settings, EmptyProfileGivesTheDefaults) {
    CMemoryProfileStore store;
    CSettings settings(store);
    EXPECT_EQ(settings.Frequency(), 1700);
    EXPECT_EQ(settings.PaneSplit(), 500);
    EXPECT_TRUE(settings.StrictFec());
    EXPECT_FALSE(settings.BitSense());
    EXPECT_TRUE(settings.SmartTune());
    EXPECT_TRUE(settings.Afc());
    EXPECT_FALSE(settings.Enhanced());
    EXPECT_EQ(settings.ModeName(), u"NAVTEX");
    EXPECT_EQ(settings.ModeBaud(u"NAVTEX"), 100);
    EXPECT_EQ(settings.ModeShift(u"NAVTEX"), 170);
    EXPECT_EQ(settings.ModeBaud(u"RTTY"), 100);
    EXPECT_EQ(settings.SoundDevice(), u"");
    EXPECT_EQ(settings.Uid(), u"");
    EXPECT_EQ(store.Size(), 0u);  // reading writes nothing
}

TEST(Settings, NumbersKeptAsTextUseThePlainDecimalConversion) {
    EXPECT_EQ(DecimalValue(u"1700"), 1700);
    EXPECT_EQ(DecimalValue(u"abc"), 0);
    EXPECT_EQ(DecimalValue(u""), 0);
    EXPECT_EQ(DecimalValue(u"  -42"), -42);
    EXPECT_EQ(DecimalValue(u"+7"), 7);
    EXPECT_EQ(DecimalValue(u"12abc"), 12);
    EXPECT_EQ(DecimalValue(u"- 5"), 0);
    EXPECT_EQ(DecimalValue(u"99999999999"), 2147483647);
    EXPECT_EQ(DecimalValue(u"-99999999999"), -2147483647 - 1);
    EXPECT_EQ(DecimalValue(u"１２"), 0);  // fullwidth digits are not plain decimal

    CMemoryProfileStore store;
    CSettings settings(store);
    store.WriteString(CSettings::kSection, u"NAVTEX-J-SHIFT", u"425Hz");
    EXPECT_EQ(settings.ModeShift(u"NAVTEX-J"), 425);
    // Text that is no number, and a frequency that puts a tone of the
    // stored mode's shift outside 0 to 5512 Hz, read as the default.
    store.WriteString(CSettings::kSection, u"Frequency", u"abc");
    EXPECT_EQ(settings.Frequency(), 1700);
    store.WriteString(CSettings::kSection, u"Frequency", u"5500");
    EXPECT_EQ(settings.Frequency(), 1700);
    store.WriteString(CSettings::kSection, u"Frequency", u"5427");
    EXPECT_EQ(settings.Frequency(), 5427);
    // Each refused name once, with what it held and what is used instead.
    const std::vector<RefusedSetting> refused = settings.TakeRefused();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(
        FillUserText(CSettings::Notice(refused[0]).format, CSettings::Notice(refused[0]).args),
        u"The setting Frequency is \"abc\", which is not a number from 85 to 5427; 1700 is "
        u"used instead.");
    EXPECT_TRUE(settings.TakeRefused().empty());
}

TEST(Settings, WritesUseTheNamesAndFormsOfTheProfile) {
    CMemoryProfileStore store;
    CSettings settings(store);
    settings.WriteFrequency(1234);
    settings.WriteModeBaud(u"NAVTEX-J", 50);
    settings.WriteModeShift(u"RTTY", 850);
    settings.WriteBitSense(true);
    settings.WriteStrictFec(false);
    settings.WriteEnhanced(true);
    EXPECT_EQ(store.GetString(u"Settings", u"Frequency", u""), u"1234");
    EXPECT_EQ(store.GetString(u"Settings", u"NAVTEX-J-BAUD", u""), u"50");
    EXPECT_EQ(store.GetString(u"Settings", u"RTTY-SHIFT", u""), u"850");
    EXPECT_EQ(store.GetInt(u"Settings", u"BitSense", -1), 1);
    EXPECT_EQ(store.GetInt(u"Settings", u"StrictFEC", -1), 0);
    EXPECT_EQ(store.GetInt(u"Settings", u"Enhanced", -1), 1);
    // On and off are 1 and 0; anything else is refused.
    store.WriteInt(u"Settings", u"BitSense", 5);
    EXPECT_FALSE(settings.BitSense());
}

TEST(Settings, NmeaInputAndWaypointsReadOnlyWhatTheyCanUse) {
    CMemoryProfileStore store;
    CSettings settings(store);
    CNmeaServerSettings nmea(settings);
    EXPECT_EQ(nmea.NmeaIn(), "");
    EXPECT_TRUE(nmea.Waypoints());
    EXPECT_TRUE(nmea.WriteNmeaIn("192.168.1.20:10110"));
    EXPECT_TRUE(nmea.WriteNmeaIn("[::1]:2947"));
    EXPECT_EQ(nmea.NmeaIn(), "[::1]:2947");
    EXPECT_FALSE(nmea.WriteNmeaIn("gnss"));
    EXPECT_FALSE(nmea.WriteNmeaIn("gnss:0"));
    EXPECT_EQ(nmea.NmeaIn(), "[::1]:2947");
    EXPECT_TRUE(nmea.WriteNmeaIn(""));
    EXPECT_EQ(nmea.NmeaIn(), "");
    // Edited by hand: no input rather than a host that cannot be.
    store.WriteString(u"Settings", u"NmeaIn", u"gnss:99999");
    EXPECT_EQ(nmea.NmeaIn(), "");
    EXPECT_TRUE(nmea.WriteWaypoints(false));
    EXPECT_FALSE(nmea.Waypoints());
    store.WriteInt(u"Settings", u"NmeaWaypoints", 7);
    EXPECT_TRUE(nmea.Waypoints());
    ASSERT_EQ(settings.TakeRefused().size(), 1u);
}

// The radio's settings are kept as they read back, and what a person types
// or edits by hand reads as meant or falls back to the default.
TEST(Settings, TheRadioKeepsItsSetUpAndReadsWhatAPersonWrites) {
    CMemoryProfileStore store;
    CSettings settings(store);
    EXPECT_EQ(settings.Radio().sampleRate, 2048000.0);
    EXPECT_EQ(settings.Radio().Centre(), 504000.0);  // midway between 490 and 518 kHz
    RadioSettings radio;
    radio.args = "driver=rtlsdr,serial=00000001";
    radio.sampleRate = 1024000;
    radio.gainDb = 28.5;
    radio.ppm = -1.5;
    radio.upconverterHz = 125e6;
    radio.directSampling = "2";
    radio.channels = *RadioSettings::ParseChannelsKhz("518, 490k, 4209.5");
    EXPECT_EQ(radio.channels, (std::vector<double>{518000, 490000, 4209500}));
    ASSERT_TRUE(settings.WriteRadio(radio));
    const RadioSettings read = settings.Radio();
    EXPECT_EQ(read.args, radio.args);
    EXPECT_EQ(read.sampleRate, 1024000.0);
    EXPECT_EQ(read.gainDb, 28.5);
    EXPECT_EQ(read.ppm, -1.5);
    EXPECT_EQ(read.Sdr().centreHz, 125e6 + (490000 + 4209500) / 2.0);
    EXPECT_EQ(read.directSampling, "2");
    EXPECT_EQ(read.channels, radio.channels);
    EXPECT_FALSE(RadioSettings::ParseChannelsKhz("518, x"));
    EXPECT_FALSE(RadioSettings::ParseGain("loud", radio.gainDb));
    store.WriteString(u"Settings", u"SdrGain", u"loud");
    store.WriteString(u"Settings", u"SdrRate", u"5e10");
    store.WriteString(u"Settings", u"SdrChannels", u"518k,,x");
    EXPECT_FALSE(settings.Radio().gainDb);
    EXPECT_EQ(settings.Radio().sampleRate, 2048000.0);
    EXPECT_TRUE(settings.Radio().channels.empty());
}

TEST(QtProfileStore, KeepsValuesInItsFileAcrossInstances) {
    ScopedTempDir dir;
    const auto file = dir.Path() / "profile.ini";
    {
        CQtProfileStore store(file);
        CSettings settings(store);
        EXPECT_EQ(settings.Frequency(), 1700);
        EXPECT_TRUE(settings.WriteFrequency(1650));
        EXPECT_TRUE(settings.WriteSmartTune(false));
        EXPECT_TRUE(settings.WriteSoundDevice(u"USB Audio ＣＯＤＥＣ 受信機"));
        EXPECT_TRUE(settings.WriteModeName(u"NAVTEX-J"));
        EXPECT_TRUE(settings.WriteModeBaud(u"NAVTEX-J", 75));
        // Written at once: the file already holds the values.
        EXPECT_NE(ReadFile(file).find("1650"), std::string::npos);
    }
    CQtProfileStore store(file);
    CSettings settings(store);
    EXPECT_EQ(settings.Frequency(), 1650);
    EXPECT_FALSE(settings.SmartTune());
    EXPECT_TRUE(settings.Afc());
    EXPECT_EQ(settings.SoundDevice(), u"USB Audio ＣＯＤＥＣ 受信機");
    EXPECT_EQ(settings.ModeName(), u"NAVTEX-J");
    EXPECT_EQ(settings.ModeBaud(u"NAVTEX-J"), 75);
    EXPECT_EQ(settings.ModeShift(u"NAVTEX-J"), 170);
}

TEST(QtProfileStore, TextWhereAnIntegerBelongsReadsAsTheDefault) {
    ScopedTempDir dir;
    test::WriteFile(dir.Path() / "profile.ini", "[Settings]\nStrictFEC=abc\nAFC=0\nFrequency=x\n");
    CQtProfileStore store(dir.Path() / "profile.ini");
    CSettings settings(store);
    EXPECT_TRUE(settings.StrictFec());
    EXPECT_FALSE(settings.Afc());
    EXPECT_EQ(settings.Frequency(), 1700);
}

TEST(QtProfileStore, NativeStoreLivesUnderTheUsersConfigurationDirectory) {
    ScopedTempDir dir;
    // Never the real user's profile: point the configuration directory at
    // the temporary one before Qt first looks it up in this process.
    ASSERT_EQ(setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1), 0);
    {
        CQtProfileStore store;
        EXPECT_EQ(std::filesystem::path(store.Location()),
                  dir.Path() / "Tarvolt" / "Wavelore.conf");
        EXPECT_TRUE(CSettings(store).WriteUid(u"ABC123"));
    }
    EXPECT_NE(ReadFile(dir.Path() / "Tarvolt" / "Wavelore.conf").find("UID=ABC123"),
              std::string::npos);
    CQtProfileStore again;
    EXPECT_EQ(CSettings(again).Uid(), u"ABC123");
}

}  // namespace
}  // namespace wavelore
