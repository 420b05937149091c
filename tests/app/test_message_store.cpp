#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/reception/message_framer.h"
#include "app/reception/message_store.h"
#include "common/clock.h"
#include "common/file_system.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "support/fixtures.h"
#include "system/posix_file_system.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ScopedTempDir;

constexpr char kDay[] = "logs/2007-07-21";
constexpr char kEA12[] = "logs/2007-07-21/2007-07-21 14.03.22 EA12.txt";
constexpr char kHeaderEA12[] = "14:03:22 2007-07-21\r\n\r\nZCZC EA12\r\n";

struct Upload {
    MessageRecord record;
    bool incomingPresent = false;
    bool finalPresent = false;
};

class Sinks final : public IUploadHook,
                    public IStoredMessageSink,
                    public IUserNotifier,
                    public IMessageStoredListener {
  public:
    void MessageStored(const MessageRecord& record, StorePlace place) override {
        events.emplace_back(record, place);
    }
    void UploadMessage(const MessageRecord& record) override {
        std::error_code ec;
        uploads.push_back({record, fs::exists("incoming.txt", ec), fs::exists(record.path, ec)});
    }
    void AddStoredMessage(const MessageHeader& header, const fs::path& path) override {
        stored.emplace_back(header, path);
    }
    void ShowMessage(const std::u16string& text) override { errors.push_back(ToUtf8(text)); }

    std::vector<Upload> uploads;
    std::vector<std::pair<MessageHeader, fs::path>> stored;
    std::vector<std::string> errors;
    std::vector<std::pair<MessageRecord, StorePlace>> events;
};

// The framer feeding the store, as a reception runs them.
class CAssembly {
  public:
    CAssembly(const fs::path& base, const IClock& clock, CMessageStore::Sinks sinks)
        : m_store(base, clock, sinks), m_framer(clock, m_store) {}

    void SetMode(Mode mode) { m_framer.SetMode(mode); }
    void AddCounts(int32_t good, int32_t errors) { m_framer.AddCounts(good, errors); }
    void FeedChunk(std::u16string_view chunk) { m_framer.FeedChunk(chunk); }
    void CloseWorkingFile() {
        m_framer.Cut();
        m_store.RetryPending();
    }
    void RetryPending() { m_store.RetryPending(); }
    void EndStoring() {
        m_framer.Cut();
        m_store.EndStoring();
    }
    bool Receiving() const { return m_framer.Receiving(); }
    const std::u16string& MessageText() const { return m_framer.MessageText(); }
    bool HoldsUnstoredMessage() const { return m_store.HoldsUnstoredMessage(); }
    size_t PendingMessages() const { return m_store.PendingMessages(); }
    size_t LostMessages() const { return m_store.LostMessages(); }

  private:
    CMessageStore m_store;
    CMessageFramer m_framer;
};

class MessageStore : public ::testing::Test {
  protected:
    void Make(Mode mode) {
        assembler = std::make_unique<CAssembly>(
            fs::current_path(), clock, CMessageStore::Sinks{&sinks, &sinks, &sinks, &sinks});
        assembler->SetMode(mode);
    }
    void Feed(std::u16string_view text, int32_t good = 0, int32_t errors = 0) {
        assembler->AddCounts(good, errors);
        assembler->FeedChunk(text);
    }
    // Every regular file under the temporary directory, relative, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(dir.Path())) {
            if (e.is_regular_file()) {
                out.push_back(fs::relative(e.path(), dir.Path()).generic_string());
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    ScopedTempDir dir;
    CManualClock clock{LocalTime{2007, 7, 21, 14, 3, 22}};
    Sinks sinks;
    std::unique_ptr<CAssembly> assembler;
};

TEST_F(MessageStore, TheLineEndAfterTheHeaderIsShownAsTheOneLineEndItWasReceivedAs) {
    Make(Mode::Navtex);
    Feed(u"ZCZC GA23\r\nFIRST LINE\r\n\r\nAFTER A BLANK LINE\r\nNNNN");
    const std::string stored = ReadFile("logs/2007-07-21/2007-07-21 14.03.22 GA23.txt");
    const std::string header = "14:03:22 2007-07-21\r\n\r\nZCZC GA23\r\n";
    const std::string body = "FIRST LINE\r\n\r\nAFTER A BLANK LINE\r\nNNNN";
    // Stored with the header's line end and the line feed received last
    // before the body; shown with one line end, and the body's own blank
    // line kept.
    EXPECT_EQ(stored, header + "\n" + body);
    EXPECT_EQ(CMessageStore::TextToShow(stored), header + body);
    // Text the store did not write is shown as it stands.
    for (const std::string& other : {std::string("ZCZC GA23\r\n\nTEXT"), std::string(),
                                     header.substr(0, header.size() - 2), header + "  \nX"}) {
        EXPECT_EQ(CMessageStore::TextToShow(other), other);
    }
}

TEST_F(MessageStore, WorkedExampleIsStoredByteForByte) {
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\nTEST\r\nNNNN");
    EXPECT_EQ(Files(), (std::vector<std::string>{kEA12}));
    EXPECT_EQ(ReadFile(kEA12), std::string(kHeaderEA12) + "\nTEST\r\nNNNN");

    ASSERT_EQ(sinks.uploads.size(), 1u);
    const Upload& up = sinks.uploads[0];
    // The upload comes before the rename.
    EXPECT_TRUE(up.incomingPresent);
    EXPECT_FALSE(up.finalPresent);
    EXPECT_EQ(up.record.date, u"2007-07-21");
    EXPECT_EQ(up.record.time, u"14:03:22");
    EXPECT_EQ(up.record.b1 + up.record.b2 + up.record.number, u"EA12");
    EXPECT_EQ(up.record.text, u"\nTEST\r\nNNNN");
    EXPECT_EQ(up.record.path, dir.Path() / kEA12);
    EXPECT_TRUE(up.record.path.is_absolute());

    ASSERT_EQ(sinks.stored.size(), 1u);
    EXPECT_EQ(sinks.stored[0].first.time, u"14:03:22");
    EXPECT_EQ(sinks.stored[0].second, dir.Path() / kEA12);
    EXPECT_FALSE(assembler->Receiving());
    EXPECT_TRUE(assembler->MessageText().empty());
    EXPECT_TRUE(sinks.errors.empty());
}

TEST_F(MessageStore, EachWhiteSpaceBeforeTheBodyRestartsTheFrameWithAFreshTime) {
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r", 5, 50);
    clock.Advance(1);
    Feed(u"\nBODY\r\n", 100, 7);
    Feed(u"NNNN", 10, 0);
    const std::string name = "logs/2007-07-21/2007-07-21 14.03.23 EA12.txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{name}));
    EXPECT_EQ(ReadFile(name), "14:03:23 2007-07-21\r\n\r\nZCZC EA12\r\n\nBODY\r\nNNNN");
    // Counts start with the chunk after the (last) start; the restart inside
    // the second chunk dropped that chunk's pair too.
    ASSERT_EQ(sinks.uploads.size(), 1u);
    EXPECT_EQ(sinks.uploads[0].record.good, 10u);
    EXPECT_EQ(sinks.uploads[0].record.errors, 0u);
}

TEST_F(MessageStore, MarkerLettersSeparatedByWhiteSpaceStillStartAFrame) {
    Make(Mode::Navtex);
    Feed(u"Z C\r\nZ\tC EA12\r\nX\r\nNNNN");
    EXPECT_EQ(ReadFile(kEA12), std::string(kHeaderEA12) + "\nX\r\nNNNN");
}

TEST_F(MessageStore, LowerCaseOrAStrayCharacterInTheMarkerStartsNothing) {
    Make(Mode::Navtex);
    Feed(u"ZCzC EA12\r\nX\r\nNNNN\r\n");
    Feed(u"ZCXZC EA12\r\nX\r\nNNNN\r\n");
    Feed(u"zczc EA12\r\nX\r\nnnnn\r\n");
    EXPECT_TRUE(Files().empty());
    EXPECT_TRUE(sinks.uploads.empty());
}

TEST_F(MessageStore, AGarbledHeaderDropsTheFrameInProgress) {
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\nFIRST PART\r\n");
    Feed(u"ZCZC E1A2\r\nSECOND\r\nNNNN");
    EXPECT_EQ(Files(), (std::vector<std::string>{"incoming.txt"}));
    // What the dropped frame left behind stays until the next start.
    // The "2" that completed the garbled start closed the frame before it
    // could be recorded.
    EXPECT_EQ(ReadFile("incoming.txt"), std::string(kHeaderEA12) + "\nFIRST PART\r\nZCZC E1A");
    EXPECT_TRUE(sinks.uploads.empty());

    for (const char16_t* bad : {u"ZCZC 1A12\r\nX NNNN", u"ZCZC EAA2\r\nX NNNN",
                                u"ZCZC EA1-\r\nX NNNN", u"ZCZC ,A12\r\nX NNNN"}) {
        Feed(bad);
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"incoming.txt"}));
}

TEST_F(MessageStore, TwoStartsWithoutAnEndKeepOnlyTheSecond) {
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\nFIRST\r\n");
    clock.Advance(60);
    Feed(u"ZCZC FB34\r\nSECOND\r\nNNNN");
    const std::string name = "logs/2007-07-21/2007-07-21 14.04.22 FB34.txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{name}));
    EXPECT_EQ(ReadFile(name), "14:04:22 2007-07-21\r\n\r\nZCZC FB34\r\n\nSECOND\r\nNNNN");
}

TEST_F(MessageStore, AHeaderBehindARepeatedMarkerIsStoredLikeAnyOther) {
    // A decoder slip that doubles a character pair repeats the marker. The
    // second message of each mode arrives one unit per chunk.
    for (const Mode mode : {Mode::Navtex, Mode::NavtexJ}) {
        const std::u16string digit = mode == Mode::NavtexJ ? u"1" : u"";
        Make(mode);
        Feed(u"RYRY ZCZCZC ND70" + digit + u"\r\nFIRST\r\nNNNN\r\n");
        clock.Advance(60);
        for (const char16_t c : u"NOISE LVHAZCZCZC QJ35" + digit + u"\r\nSECOND\r\nNNNN") {
            Feed(std::u16string_view(&c, 1));
        }
        clock.Advance(60);
    }
    const std::string day = "logs/2007-07-21/2007-07-21 ";
    EXPECT_EQ(Files(),
              (std::vector<std::string>{day + "14.03.22 ND70.txt", day + "14.04.22 QJ35.txt",
                                        day + "14.05.22 ND701.txt", day + "14.06.22 QJ351.txt"}));
    EXPECT_EQ(ReadFile(day + "14.03.22 ND70.txt"),
              "14:03:22 2007-07-21\r\n\r\nZCZC ND70\r\n\nFIRST\r\nNNNN");
    EXPECT_EQ(ReadFile(day + "14.04.22 QJ35.txt"),
              "14:04:22 2007-07-21\r\n\r\nZCZC QJ35\r\n\nSECOND\r\nNNNN");
    EXPECT_EQ(ReadFile(day + "14.06.22 QJ351.txt"),
              "14:06:22 2007-07-21\r\n\r\nZCZC QJ351\r\n\nSECOND\r\nNNNN");
    EXPECT_EQ(sinks.stored.size(), 4u);
}

TEST_F(MessageStore, FourNsInTheBodyEndTheFrameEvenWithSpacesBetween) {
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\nRUNNING N N\r\nNN ON\r\n");
    EXPECT_EQ(ReadFile(kEA12), std::string(kHeaderEA12) + "\nRUNNING N N\r\nNN");
    EXPECT_EQ(sinks.uploads.size(), 1u);
    EXPECT_FALSE(assembler->Receiving());
}

TEST_F(MessageStore, NavtexJStoresThreeDigitNumbersAndJapaneseTextAsUtf8) {
    Make(Mode::NavtexJ);
    Feed(u"ZCZC EA123\r\n気象警報\r\nNNNN");
    const std::string name = "logs/2007-07-21/2007-07-21 14.03.22 EA123.txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{name}));
    EXPECT_EQ(ReadFile(name),
              "14:03:22 2007-07-21\r\n\r\nZCZC EA123\r\n\n"
              "\xE6\xB0\x97\xE8\xB1\xA1\xE8\xAD\xA6\xE5\xA0\xB1\r\nNNNN");
}

TEST_F(MessageStore, NavtexJFullwidthFrameIsNarrowedInHeaderAndName) {
    Make(Mode::NavtexJ);
    Feed(u"ＺＣＺＣ\u3000ＥＡ１２３\r\n本文\r\nＮＮＮＮ", 40, 10);
    const std::string name = "logs/2007-07-21/2007-07-21 14.03.22 EA123.txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{name}));
    EXPECT_EQ(ReadFile(name),
              "14:03:22 2007-07-21\r\n\r\nZCZC EA123\r\n\n" + ToUtf8(u"本文\r\nＮＮＮＮ"));
    ASSERT_EQ(sinks.uploads.size(), 1u);
    EXPECT_EQ(sinks.uploads[0].record.b1, u"E");
    EXPECT_EQ(sinks.uploads[0].record.number, u"123");
}

TEST_F(MessageStore, NavtexJThirdDigitThatCannotStandInANameIsReplacedThere) {
    Make(Mode::NavtexJ);
    Feed(u"ZCZC EA12/\r\nX\r\nNNNN");
    const std::string name = "logs/2007-07-21/2007-07-21 14.03.22 EA12_.txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{name}));
    EXPECT_EQ(ReadFile(name), "14:03:22 2007-07-21\r\n\r\nZCZC EA12/\r\n\nX\r\nNNNN");
}

// An input of the message-assembler fuzz target: a lone surrogate has no
// file-name form, and converting it ended the program.
TEST_F(MessageStore, NavtexJThirdDigitThatIsALoneSurrogateIsReplacedInTheName) {
    Make(Mode::NavtexJ);
    Feed(u"ZCZC AB12\xD800\r\nTEXT\r\nNNNN\r\n");
    const std::string name = "logs/2007-07-21/2007-07-21 14.03.22 AB12_.txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{name}));
    EXPECT_EQ(ReadFile(name), "14:03:22 2007-07-21\r\n\r\nZCZC AB12\xEF\xBF\xBD\r\n\nTEXT\r\nNNNN");
}

TEST_F(MessageStore, SitorAndAmtorOpenTheWorkingFileButNeverStore) {
    // Without the NAVTEX realignment the header is recognised on the first
    // body character, and these modes keep no serial number.
    for (const Mode mode : {Mode::Sitor, Mode::Amtor, Mode::Rtty, Mode::Dpsk}) {
        Make(mode);
        Feed(u"ZCZC EA12\r\nTEST\r\nNNNN\r\nMORE");
        EXPECT_EQ(Files(), (std::vector<std::string>{"incoming.txt"}));
        EXPECT_EQ(ReadFile("incoming.txt"),
                  "14:03:22 2007-07-21\r\n\r\nZCZC EA\r\nTEST\r\nNNNN\r\nMORE");
        EXPECT_TRUE(assembler->Receiving());
        assembler->CloseWorkingFile();
        EXPECT_FALSE(assembler->Receiving());
    }
    EXPECT_TRUE(sinks.uploads.empty());
}

TEST_F(MessageStore, QualityWeighsNavtexErrorsBySevenAndNeverDividesByZero) {
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\n", 3, 3);
    Feed(u"BODY\r\n", 700, 70);
    Feed(u"NNNN");
    clock.Advance(1);
    Feed(u"ZCZC EA13\r\n", 9, 9);
    Feed(u"NNNN", 0, 0);
    Make(Mode::NavtexJ);
    clock.Advance(1);
    Feed(u"ZCZC EA123\r\nX", 3, 3);
    Feed(u"BODY\r\n", 700, 70);
    Feed(u"NNNN");
    ASSERT_EQ(sinks.uploads.size(), 3u);
    EXPECT_EQ(sinks.uploads[0].record.quality, 98);  // 700 / (700 + 10)
    EXPECT_EQ(sinks.uploads[0].record.good, 700u);
    EXPECT_EQ(sinks.uploads[0].record.errors, 70u);
    EXPECT_EQ(sinks.uploads[1].record.quality, 0);
    EXPECT_EQ(sinks.uploads[2].record.quality, 90);  // 700 / 770
    EXPECT_EQ(MessageQuality(1, 6, Mode::Navtex), 100);
}

TEST_F(MessageStore, ARepeatWithinTheSameSecondIsUploadedButNotStoredTwice) {
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\nTEST\r\nNNNN");
    Feed(u"ZCZC EA12\r\nTEST\r\nNNNN");
    EXPECT_EQ(sinks.uploads.size(), 2u);
    EXPECT_EQ(sinks.stored.size(), 1u);
    // The identical repeat stays in the working file, as nothing is lost.
    EXPECT_EQ(Files(), (std::vector<std::string>{"incoming.txt", kEA12}));
    EXPECT_EQ(ReadFile("incoming.txt"), ReadFile(kEA12));
    EXPECT_TRUE(sinks.errors.empty());

    // A different message under the same name is kept beside the first.
    Feed(u"ZCZC EA12\r\nOTHER\r\nNNNN");
    EXPECT_EQ(sinks.uploads.size(), 3u);
    EXPECT_EQ(sinks.stored.size(), 1u);
    const std::string other = "logs/2007-07-21/2007-07-21 14.03.22 EA12 (2).txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{other, kEA12}));
    EXPECT_EQ(ReadFile(other), std::string(kHeaderEA12) + "\nOTHER\r\nNNNN");
    EXPECT_EQ(ReadFile(kEA12), std::string(kHeaderEA12) + "\nTEST\r\nNNNN");
    EXPECT_TRUE(sinks.errors.empty());
}

TEST_F(MessageStore, AVanishedLogDirectoryIsCreatedAgain) {
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\nTEST\r\nNNNN");
    fs::remove_all("logs");
    Feed(u"ZCZC EA13\r\nTEST\r\n");
    Feed(u"NNNN");
    EXPECT_EQ(Files(), (std::vector<std::string>{"logs/2007-07-21/2007-07-21 14.03.22 EA13.txt"}));
    EXPECT_EQ(sinks.stored.size(), 2u);
}

TEST_F(MessageStore, AnUnusableLogDirectoryKeepsTheMessageBesideTheWorkingFile) {
    test::WriteFile("logs", "not a directory");
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\nTEST\r\nNNNN");
    const std::string kept = "2007-07-21 14.03.22 EA12.txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{kept, "logs"}));
    EXPECT_EQ(ReadFile(kept), std::string(kHeaderEA12) + "\nTEST\r\nNNNN");
    EXPECT_EQ(sinks.uploads.size(), 1u);
    EXPECT_TRUE(sinks.stored.empty());
    ASSERT_EQ(sinks.errors.size(), 1u);
    EXPECT_NE(sinks.errors[0].find(kept), std::string::npos);
    EXPECT_NE(sinks.errors[0].find("logs"), std::string::npos);
}

TEST_F(MessageStore, AMessageThatCannotBeStoredAnywhereIsNotOverwrittenByTheNext) {
    test::WriteFile("logs", "not a directory");
    fs::create_directory("2007-07-21 14.03.22 EA12.txt");  // blocks the fallback name too
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\nFIRST\r\nNNNN");
    EXPECT_TRUE(assembler->HoldsUnstoredMessage());
    ASSERT_FALSE(sinks.errors.empty());
    EXPECT_NE(sinks.errors.back().find("incoming.txt"), std::string::npos);

    clock.Advance(5);
    Feed(u"ZCZC FB34\r\nSECOND\r\nNNNN");  // in memory only: the first still waits
    EXPECT_EQ(ReadFile("incoming.txt"), std::string(kHeaderEA12) + "\nFIRST\r\nNNNN");

    fs::remove("logs");
    clock.Advance(5);
    Feed(u"ZCZC FC56\r\nTHIRD\r\nNNNN");
    EXPECT_FALSE(assembler->HoldsUnstoredMessage());
    EXPECT_EQ(ReadFile(kEA12), std::string(kHeaderEA12) + "\nFIRST\r\nNNNN");
    EXPECT_EQ(ReadFile("2007-07-21 14.03.27 FB34.txt"),  // kept beside, as logs/ was unusable
              "14:03:27 2007-07-21\r\n\r\nZCZC FB34\r\n\nSECOND\r\nNNNN");
    EXPECT_EQ(ReadFile("logs/2007-07-21/2007-07-21 14.03.32 FC56.txt"),
              "14:03:32 2007-07-21\r\n\r\nZCZC FC56\r\n\nTHIRD\r\nNNNN");
    EXPECT_EQ(sinks.uploads.size(), 3u);
}

TEST_F(MessageStore, EveryStoreIsAnnouncedWithTheWholeRecordAndThePathWritten) {
    test::WriteFile("logs", "not a directory");
    fs::create_directory("2007-07-21 14.03.22 EA12.txt");  // blocks the fallback name too
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\n");
    Feed(u"FIRST\r\nNNNN", 97, 28);
    ASSERT_TRUE(assembler->HoldsUnstoredMessage());
    EXPECT_TRUE(sinks.events.empty());

    // Held until the next frame start, which stores it with its own counts.
    fs::remove("logs");
    clock.Advance(10);
    Feed(u"ZCZC FC56\r\n");
    ASSERT_EQ(sinks.events.size(), 1u);
    const MessageRecord& held = sinks.events[0].first;
    EXPECT_EQ(sinks.events[0].second, StorePlace::LogDay);
    EXPECT_EQ(held.b1 + held.b2 + held.number, u"EA12");
    EXPECT_EQ(held.time, u"14:03:22");
    EXPECT_EQ(held.text, u"\nFIRST\r\nNNNN");
    EXPECT_EQ(held.good, 97u);
    EXPECT_EQ(held.errors, 28u);
    EXPECT_EQ(held.quality, 96);
    EXPECT_EQ(held.mode, Mode::Navtex);
    EXPECT_EQ(held.path, dir.Path() / kEA12);

    Feed(u"THIRD\r\nNNNN");
    Feed(u"ZCZC FC56\r\nTHIRD\r\nNNNN");  // identical: not stored again, not announced
    Feed(u"ZCZC FC56\r\nOTHER\r\nNNNN");
    clock.Advance(86400);
    test::WriteFile("logs/2007-07-22", "in the way");
    Feed(u"ZCZC GD01\r\nRESCUE\r\nNNNN");
    ASSERT_EQ(sinks.events.size(), 4u);
    const std::string day = "logs/2007-07-21/2007-07-21 14.03.32 FC56";
    EXPECT_EQ(sinks.events[1].first.path, dir.Path() / (day + ".txt"));
    EXPECT_EQ(sinks.events[1].second, StorePlace::LogDay);
    EXPECT_EQ(sinks.events[2].first.path, dir.Path() / (day + " (2).txt"));
    EXPECT_EQ(sinks.events[2].first.text, u"\nOTHER\r\nNNNN");
    EXPECT_EQ(sinks.events[2].second, StorePlace::Numbered);
    EXPECT_EQ(sinks.events[3].first.path, dir.Path() / "2007-07-22 14.03.32 GD01.txt");
    EXPECT_EQ(sinks.events[3].second, StorePlace::BesideWorkingFile);
    // The explorer still hears only of messages stored under their own name.
    ASSERT_EQ(sinks.stored.size(), 2u);
    EXPECT_EQ(sinks.stored[1].second, dir.Path() / (day + ".txt"));
}

// The machine's file system with a disk that takes only so many more bytes.
class CSmallDisk final : public IFileSystem {
  public:
    std::unique_ptr<IOutputFile> Open(const fs::path& path, OpenMode mode,
                                      std::error_code& error) override {
        std::unique_ptr<IOutputFile> file = m_real.Open(path, mode, error);
        return file ? std::make_unique<CFile>(std::move(file), room) : nullptr;
    }
    std::error_code MoveWithoutReplacing(const fs::path& from, const fs::path& to) override {
        return m_real.MoveWithoutReplacing(from, to);
    }
    size_t room = 0;

  private:
    class CFile final : public IOutputFile {
      public:
        CFile(std::unique_ptr<IOutputFile> file, size_t& room)
            : m_file(std::move(file)), m_room(room) {}
        size_t Write(std::string_view bytes, std::error_code& error) override {
            const size_t n = m_file->Write(bytes.substr(0, std::min(bytes.size(), m_room)), error);
            m_room -= n;
            if (!error && n < bytes.size()) {
                error = std::make_error_code(std::errc::no_space_on_device);
            }
            return n;
        }
        std::error_code Close() override { return m_file->Close(); }

      private:
        std::unique_ptr<IOutputFile> m_file;
        size_t& m_room;
    };
    CPosixFileSystem m_real;
};

TEST_F(MessageStore, AMessageTheDiskTookOnlyPartOfIsStoredWholeOnceThereIsRoomAndNeverBefore) {
    CSmallDisk disk;
    disk.room = 40;  // the header line and a few characters
    assembler = std::make_unique<CAssembly>(
        fs::current_path(), clock, CMessageStore::Sinks{&sinks, &sinks, &sinks, &sinks, &disk});
    Feed(u"ZCZC EA12\r\n", 5, 0);
    Feed(u"TEST LINE\r\nNNNN", 30, 1);
    clock.Advance(60);
    Feed(u"ZCZC FB34\r\nSECOND\r\nNNNN", 20, 0);
    // Nothing stored, announced or indexed; the upload does not need the file.
    EXPECT_EQ(Files(), (std::vector<std::string>{"incoming.txt"}));
    EXPECT_TRUE(sinks.events.empty());
    EXPECT_TRUE(sinks.stored.empty());
    EXPECT_EQ(sinks.uploads.size(), 2u);
    EXPECT_EQ(assembler->PendingMessages(), 2u);
    ASSERT_EQ(sinks.errors.size(), 2u);
    EXPECT_NE(
        sinks.errors[0].find("Could not write to \"" + (dir.Path() / "incoming.txt").string()),
        std::string::npos);
    EXPECT_EQ(sinks.errors[1],
              "Could not write the message \"2007-07-21 14.03.22 EA12.txt\" (No space left on "
              "device); it is kept in memory, with any that follow, and stored as soon as there is "
              "room.");

    // Room again: both whole, in order, with their own counts; the working
    // file that held a part of the second is gone.
    disk.room = 1 << 20;
    assembler->RetryPending();
    const std::string second = "logs/2007-07-21/2007-07-21 14.04.22 FB34.txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{kEA12, second}));
    EXPECT_EQ(ReadFile(kEA12), std::string(kHeaderEA12) + "\nTEST LINE\r\nNNNN");
    EXPECT_EQ(ReadFile(second), "14:04:22 2007-07-21\r\n\r\nZCZC FB34\r\n\nSECOND\r\nNNNN");
    ASSERT_EQ(sinks.events.size(), 2u);
    EXPECT_EQ(sinks.events[0].first.path, dir.Path() / kEA12);
    EXPECT_EQ(sinks.events[0].first.good, 30u);
    EXPECT_EQ(sinks.events[0].first.errors, 1u);
    EXPECT_EQ(sinks.events[1].first.b1 + sinks.events[1].first.b2, u"FB");
    EXPECT_EQ(sinks.stored.size(), 2u);
    EXPECT_EQ(assembler->PendingMessages(), 0u);
    EXPECT_EQ(sinks.errors.back(), "The 2 messages kept in memory are stored now.");

    // No room to the end: said lost, and counted.
    disk.room = 0;
    clock.Advance(60);
    Feed(u"ZCZC GD01\r\nRESCUE\r\nNNNN");
    assembler->EndStoring();
    EXPECT_EQ(assembler->LostMessages(), 1u);
    EXPECT_EQ(sinks.errors.back(),
              "1 messages could not be stored (No space left on device) and are lost; only the raw "
              "log may hold their text.");
    EXPECT_EQ(Files(), (std::vector<std::string>{"incoming.txt", kEA12, second}));
    EXPECT_EQ(ReadFile("incoming.txt"), "");
}

TEST_F(MessageStore, AWorkingFileThatCannotBeCreatedIsReportedOnce) {
    fs::create_directory("incoming.txt");
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\nTEST\r\nNNNN");
    EXPECT_EQ(sinks.errors.size(), 1u);
    EXPECT_FALSE(assembler->Receiving());
    // Recorded in memory instead, so the message is not lost.
    EXPECT_EQ(sinks.uploads.size(), 1u);
    EXPECT_EQ(ReadFile(kEA12), std::string(kHeaderEA12) + "\nTEST\r\nNNNN");
}

TEST_F(MessageStore, ShutdownLeavesThePartialFrameInTheWorkingFile) {
    Make(Mode::Navtex);
    Feed(u"ZCZC EA12\r\nHALF A MESS");
    assembler->CloseWorkingFile();
    Feed(u"AGE\r\nNNNN");
    EXPECT_EQ(Files(), (std::vector<std::string>{"incoming.txt"}));
    EXPECT_EQ(ReadFile("incoming.txt"), std::string(kHeaderEA12) + "\nHALF A MESS");
    EXPECT_TRUE(sinks.uploads.empty());
}

TEST_F(MessageStore, AFrameAnEarlierRunLeftUnfinishedIsSetAsideRatherThanOverwritten) {
    // Cut off by a shutdown, then the receiver starts again.
    const std::string cut = std::string(kHeaderEA12) + "\nHALF A MESS";
    test::WriteFile("incoming.txt", cut);
    Make(Mode::Navtex);
    clock.Advance(3600);
    Feed(u"ZCZC FB34\r\nNEXT\r\nNNNN");
    const std::string kept = "incoming 2007-07-21 14.03.22 EA12.txt";
    const std::string next = "logs/2007-07-21/2007-07-21 15.03.22 FB34.txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{kept, next}));
    EXPECT_EQ(ReadFile(kept), cut);

    // Only once a run, and not a working file that repeats a stored message
    // or one in a mode that never completes a frame.
    Feed(u"ZCZC FB34\r\nNEXT\r\nNNNN");
    EXPECT_EQ(ReadFile("incoming.txt"), ReadFile(next));
    Make(Mode::Navtex);
    Feed(u"ZCZC GD01\r\nRESCUE\r\nNNNN");
    test::WriteFile("incoming.txt", "SITOR TEXT");
    Make(Mode::Sitor);
    Feed(u"ZCZC GD02\r\nX");
    EXPECT_EQ(Files(), (std::vector<std::string>{kept, "incoming.txt", next,
                                                 "logs/2007-07-21/2007-07-21 15.03.22 GD01.txt"}));
    EXPECT_TRUE(sinks.errors.empty());
}

TEST_F(MessageStore, TheSameTextInChunksOfAnySizeGivesTheSameFiles) {
    const std::u16string text =
        u"noise ZCZC EA12\r\nFIRST LINE\r\nSECOND\r\nNNNN\r\n\r\n"
        u"garbage ZC ZC FB34\r\nNNN X ZCZC E\r\nNEXT: ZCZC GD01\r\nRESCUE\r\nNNNN tail";
    std::vector<std::vector<std::string>> names;
    std::vector<std::string> contents;
    std::mt19937 rng(3);
    for (int run = 0; run < 4; ++run) {
        ScopedTempDir inner;
        Make(Mode::Navtex);
        size_t i = 0;
        while (i < text.size()) {
            const size_t n = run == 0 ? text.size() : run == 1 ? 1 : 1 + rng() % 7;
            Feed(std::u16string_view(text).substr(i, n));
            i += n;
        }
        assembler.reset();
        std::vector<std::string> files;
        std::string all;
        for (const auto& e : fs::recursive_directory_iterator(inner.Path())) {
            if (e.is_regular_file()) {
                files.push_back(fs::relative(e.path(), inner.Path()).generic_string());
            }
        }
        std::sort(files.begin(), files.end());
        for (const auto& f : files) {
            all += ReadFile(f) + "|";
        }
        names.push_back(files);
        contents.push_back(all);
    }
    // FB34 is dropped by the garbled start "ZCZC EZCZ" inside it.
    EXPECT_EQ(names[0], (std::vector<std::string>{"logs/2007-07-21/2007-07-21 14.03.22 EA12.txt",
                                                  "logs/2007-07-21/2007-07-21 14.03.22 GD01.txt"}));
    for (int run = 1; run < 4; ++run) {
        EXPECT_EQ(names[run], names[0]) << run;
        EXPECT_EQ(contents[run], contents[0]) << run;
    }
}

}  // namespace
}  // namespace wavelore
