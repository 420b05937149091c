#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/message_record.h"
#include "common/clock.h"

namespace wavelore {

// The name of a stored message's file, "YYYY-MM-DD HH.MM.SS B1B2NN[N].txt"
// (" (n)" before ".txt" for a different message of the same name), in its
// day directory logs/YYYY-MM-DD/. The one place that writes and reads it:
// the store names files by it, the index knows them by it, the explorer
// lists them by it.
struct StoredMessageName {
    LocalTime frameTime;  // local time of the frame start, to the second
    // B1 B2 and the serial number as a file name carries them
    // (StoredIdentity): "EA12", a NAVTEX-J "JA12/" is "JA12_".
    std::u16string identity;
    // n of " (n)": the n-th different message of this name; 0 for the first.
    uint32_t copy = 0;

    static StoredMessageName Of(const LocalTime& frameTime, std::u16string_view b1,
                                std::u16string_view b2, std::u16string_view number);

    // "YYYY-MM-DD HH.MM.SS EA12" ("... EA12 (2)"): the name without ".txt".
    std::u16string Stem() const;
    std::u16string FileName() const;
    // "YYYY-MM-DD": the day directory the file belongs in.
    std::u16string Day() const;
    // logs/YYYY-MM-DD/<file name> under base.
    std::filesystem::path PathUnder(const std::filesystem::path& base) const;

    std::u16string B1() const { return identity.substr(0, 1); }
    std::u16string B2() const { return identity.substr(1, 1); }
    std::u16string Number() const { return identity.size() > 2 ? identity.substr(2) : u""; }

    // A stored message's name: a valid date and time, an identity of 4 or 5
    // characters and an optional " (n)"; nothing for every other name.
    static std::optional<StoredMessageName> Parse(std::u16string_view fileName);

    // The explorer's reading of a name in a day directory: by position
    // alone, whatever stands there, so that a file named by hand in the
    // layout is listed as it reads. Exactly 28 or 29 characters (a third
    // serial digit only when it is a digit), or a stored name with " (n)";
    // the date is the day's.
    static std::optional<MessageHeader> Listed(std::u16string_view fileName,
                                               std::u16string_view day);

    bool operator==(const StoredMessageName&) const = default;
};

}  // namespace wavelore
