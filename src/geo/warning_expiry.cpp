#include "geo/warning_expiry.h"

#include <array>
#include <string>
#include <vector>

namespace wavelore {

namespace {

// The text's words in upper-case ASCII, without trailing full stops and
// commas; anything not ASCII ends a word.
std::vector<std::string> Words(std::u16string_view text) {
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        while (!word.empty() && (word.back() == '.' || word.back() == ',')) {
            word.pop_back();
        }
        if (!word.empty()) {
            words.push_back(word);
        }
        word.clear();
    };
    for (char16_t c : text) {
        if (c > 0x20 && c < 0x7f) {
            word.push_back(static_cast<char>(c >= u'a' && c <= u'z' ? c - 0x20 : c));
        } else {
            flush();
        }
    }
    flush();
    return words;
}

bool Digits(std::string_view s, size_t count, int32_t& value) {
    if (s.size() != count) {
        return false;
    }
    value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return true;
}

int32_t MonthOf(std::string_view word) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (size_t i = 0; i < kMonths.size(); ++i) {
        if (word.substr(0, 3) == kMonths[i]) {
            return static_cast<int32_t>(i) + 1;
        }
    }
    return 0;
}

int32_t DaysIn(int32_t year, int32_t month) {
    static constexpr std::array<int32_t, 12> kDays = {31, 28, 31, 30, 31, 30,
                                                      31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<size_t>(month - 1)];
}

}  // namespace

bool CancelTimeOf(std::u16string_view text, const LocalTime& received, LocalTime& cancel) {
    const std::vector<std::string> words = Words(text);
    for (size_t i = 0; i + 3 < words.size(); ++i) {
        if (words[i] != "CANCEL" || words[i + 1] != "THIS" ||
            (words[i + 2] != "MSG" && words[i + 2] != "MESSAGE")) {
            continue;
        }
        size_t at = i + 3;
        std::string stamp = words[at++];
        if (stamp.size() == 7 && stamp.back() == 'Z') {
            stamp.pop_back();
        }
        LocalTime t;
        if (!Digits(stamp.substr(0, 2), 2, t.day) || !Digits(stamp.substr(2, 2), 2, t.hour) ||
            !Digits(stamp.substr(4), 2, t.minute)) {
            continue;
        }
        if (at < words.size() && (words[at] == "UTC" || words[at] == "Z" || words[at] == "GMT")) {
            ++at;
        }
        t.month = at < words.size() ? MonthOf(words[at]) : 0;
        if (t.month != 0) {
            ++at;
            int32_t year = 0;
            if (at < words.size() && Digits(words[at], 4, year)) {
                t.year = year;
            } else if (at < words.size() && Digits(words[at], 2, year)) {
                t.year = 2000 + year;
            } else {
                t.year = received.year;
            }
        } else {
            t.year = received.year;
            t.month = received.month;
            if (t.day < received.day) {
                t.month = received.month % 12 + 1;
                t.year += received.month == 12 ? 1 : 0;
            }
        }
        if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysIn(t.year, t.month) ||
            t.hour > 23 || t.minute > 59) {
            continue;
        }
        cancel = t;
        return true;
    }
    return false;
}

}  // namespace wavelore
