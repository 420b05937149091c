#include "app/stored_message_name.h"

#include <algorithm>

#include "app/log_day.h"
#include "common/char_class.h"
#include "common/utf.h"

namespace wavelore {

namespace {

constexpr std::u16string_view kExtension = u".txt";
// Where the parts stand: "YYYY-MM-DD HH.MM.SS EA12.txt".
constexpr size_t kTimeAt = 11;
constexpr size_t kStampLength = 19;
constexpr size_t kIdentityAt = 20;
// The shortest identity (B1 B2 and two digits), the longest (a third).
constexpr size_t kShortIdentity = 4;
constexpr size_t kLongIdentity = 5;
// More digits than this in " (n)" is no name of ours.
constexpr size_t kMostCopyDigits = 9;

}  // namespace

StoredMessageName StoredMessageName::Of(const LocalTime& frameTime, std::u16string_view b1,
                                        std::u16string_view b2, std::u16string_view number) {
    return {frameTime, StoredIdentity(b1, b2, number), 0};
}

std::u16string StoredMessageName::Stem() const {
    std::u16string stem = FileTimeStamp(frameTime) + u' ' + identity;
    if (copy > 0) {
        stem += u" (" + FromUtf8(std::to_string(copy)) + u')';
    }
    return stem;
}

std::u16string StoredMessageName::FileName() const {
    return Stem() + std::u16string(kExtension);
}

std::u16string StoredMessageName::Day() const {
    return FormatDate(frameTime);
}

std::filesystem::path StoredMessageName::PathUnder(const std::filesystem::path& base) const {
    return base / kLogsDirName / Day() / FileName();
}

std::optional<StoredMessageName> StoredMessageName::Parse(std::u16string_view name) {
    if (name.size() < kIdentityAt + kShortIdentity + kExtension.size() ||
        name.substr(name.size() - kExtension.size()) != kExtension || name[10] != u' ' ||
        name[13] != u'.' || name[16] != u'.' || name[kStampLength] != u' ') {
        return std::nullopt;
    }
    StoredMessageName parsed;
    std::u16string_view identity =
        name.substr(kIdentityAt, name.size() - kIdentityAt - kExtension.size());
    const size_t open = identity.find(u" (");
    if (open != std::u16string_view::npos) {
        const std::u16string_view n = identity.substr(open + 2);
        const std::u16string_view digits = n.substr(0, n.size() - 1);
        if (n.size() < 2 || n.back() != u')' || digits.size() > kMostCopyDigits ||
            digits.find_first_not_of(u"0123456789") != std::u16string_view::npos) {
            return std::nullopt;
        }
        for (const char16_t d : digits) {
            parsed.copy = parsed.copy * 10 + static_cast<uint32_t>(d - u'0');
        }
        identity = identity.substr(0, open);
    }
    if (identity.size() != kShortIdentity && identity.size() != kLongIdentity) {
        return std::nullopt;
    }
    std::string stamp = ToUtf8(name.substr(0, kStampLength));
    if (stamp.size() != kStampLength) {
        return std::nullopt;
    }
    stamp[13] = ':';
    stamp[16] = ':';
    if (!ParseLocalTime(stamp, parsed.frameTime)) {
        return std::nullopt;
    }
    parsed.identity = std::u16string(identity);
    return parsed;
}

std::optional<MessageHeader> StoredMessageName::Listed(std::u16string_view name,
                                                       std::u16string_view day) {
    if (name.size() != kIdentityAt + kShortIdentity + kExtension.size() &&
        name.size() != kIdentityAt + kLongIdentity + kExtension.size()) {
        // A different message of a name already taken ("... EA12 (2).txt")
        // is listed too: two channels of a radio may start the same header
        // in the same second, and neither may be hidden.
        std::optional<StoredMessageName> numbered = Parse(name);
        if (!numbered || numbered->copy == 0) {
            return std::nullopt;
        }
        numbered->copy = 0;
        return Listed(numbered->FileName(), day);
    }
    MessageHeader header;
    header.time = std::u16string(name.substr(kTimeAt, 8));
    std::replace(header.time.begin(), header.time.end(), u'.', u':');
    header.date = std::u16string(day);
    header.b1 = std::u16string(1, name[kIdentityAt]);
    header.b2 = std::u16string(1, name[kIdentityAt + 1]);
    header.number = std::u16string(name.substr(kIdentityAt + 2, 2));
    if (IsDigit(name[kIdentityAt + kShortIdentity])) {
        header.number += name[kIdentityAt + kShortIdentity];
    }
    return header;
}

}  // namespace wavelore
