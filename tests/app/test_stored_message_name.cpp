// The stored file name: what the store writes is what the index reads back,
// time and identity alike, and nothing else passes for one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/stored_message_name.h"
#include "common/utf.h"

namespace wavelore {
namespace {

TEST(StoredMessageName, EveryNameTheStoreWritesReadsBackAsTheSameTimeAndIdentity) {
    const std::vector<LocalTime> times = {
        {2007, 7, 21, 14, 3, 22}, {2024, 2, 29, 0, 0, 0}, {1999, 12, 31, 23, 59, 59}};
    struct Header {
        std::u16string b1, b2, number, identity;
    };
    const std::vector<Header> headers = {{u"E", u"A", u"12", u"EA12"},
                                         {u"J", u"B", u"123", u"JB123"},
                                         {u"J", u"A", u"12/", u"JA12_"},
                                         {u"A", u"B", u"12\xD800", u"AB12_"}};
    for (const LocalTime& t : times) {
        for (const Header& h : headers) {
            for (const uint32_t copy : {0u, 2u, 17u}) {
                StoredMessageName name = StoredMessageName::Of(t, h.b1, h.b2, h.number);
                name.copy = copy;
                const std::u16string file = name.FileName();
                const auto parsed = StoredMessageName::Parse(file);
                ASSERT_TRUE(parsed) << ToUtf8(file);
                EXPECT_EQ(*parsed, name) << ToUtf8(file);
                EXPECT_EQ(parsed->identity, h.identity);
                EXPECT_EQ(parsed->B1() + parsed->B2() + parsed->Number(), h.identity);
            }
        }
    }
    StoredMessageName other = StoredMessageName::Of(times[0], u"E", u"A", u"12");
    EXPECT_EQ(other.PathUnder("/base"),
              std::filesystem::path("/base/logs/2007-07-21/2007-07-21 14.03.22 EA12.txt"));
    other.copy = 2;
    EXPECT_EQ(other.FileName(), u"2007-07-21 14.03.22 EA12 (2).txt");
    EXPECT_EQ(other.Day(), u"2007-07-21");
    // Listed beside the first of its name, as the same message.
    const auto listed = StoredMessageName::Listed(other.FileName(), u"2007-07-21");
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->b1 + listed->b2 + listed->number + u" " + listed->time, u"EA12 14:03:22");
}

TEST(StoredMessageName, NamesOutsideTheLayoutAreNoStoredMessage) {
    for (const char16_t* name :
         {u"2007-07-21 14.03.22 EA12.dat", u"2007-07-21 25.00.00 EA13.txt",
          u"2007-02-30 14.03.22 EA12.txt", u"2007-07-21 14:03:22 EA12.txt",
          u"2007-07-21 14.03.22 EA1.txt", u"2007-07-21 14.03.22 EA1234.txt",
          u"2007-07-21 14.03.22 EA12 ().txt", u"2007-07-21 14.03.22 EA12 (x).txt",
          u"2007-07-21 14.03.22 EA12 (2.txt", u"2007-07-21 14.03.22 EA12 (1234567890).txt",
          u"2007-07-21 14.03.22-raw.txt", u"incoming.txt", u"abcdefghijklmnopqrstuvwx.txt",
          u"\uFF12007-07-21 14.03.22 EA12.txt"}) {
        EXPECT_FALSE(StoredMessageName::Parse(name)) << ToUtf8(name);
    }
}

}  // namespace
}  // namespace wavelore
