#include "service/message_merge_rules.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace wavelore::service {

namespace {

bool IsWordByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0x80;
}

template <typename Visit>
size_t ForEachWord(std::string_view text, Visit visit) {
    size_t count = 0;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && !IsWordByte(text[i])) {
            ++i;
        }
        const size_t start = i;
        while (i < text.size() && IsWordByte(text[i])) {
            ++i;
        }
        if (i > start) {
            visit(text.substr(start, i - start));
            ++count;
        }
    }
    return count;
}

}  // namespace

bool IsAllZeroNumber(std::string_view number) {
    return !number.empty() &&
           std::all_of(number.begin(), number.end(), [](char c) { return c == '0'; });
}

double TextSimilarity(std::string_view a, std::string_view b) {
    std::unordered_map<std::string_view, int> words;
    const size_t countA = ForEachWord(a, [&](std::string_view w) { ++words[w]; });
    size_t shared = 0;
    const size_t countB = ForEachWord(b, [&](std::string_view w) {
        auto found = words.find(w);
        if (found != words.end() && found->second > 0) {
            --found->second;
            ++shared;
        }
    });
    const size_t longer = std::max(countA, countB);
    return longer == 0 ? 1.0 : static_cast<double>(shared) / static_cast<double>(longer);
}

int64_t MergeLockKey(int navArea, std::string_view b1, std::string_view b2,
                     std::string_view number) {
    // FNV-1a over the identity's text.
    uint64_t hash = 14695981039346656037ULL;
    const std::string key = std::to_string(navArea) + "|" + std::string(b1) + "|" +
                            std::string(b2) + "|" + std::string(number);
    for (unsigned char c : key) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    return static_cast<int64_t>(hash);
}

}  // namespace wavelore::service
