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

}  // namespace

std::vector<std::string_view> TextWords(std::string_view text) {
    std::vector<std::string_view> words;
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
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

bool IsAllZeroNumber(std::string_view number) {
    return !number.empty() &&
           std::all_of(number.begin(), number.end(), [](char c) { return c == '0'; });
}

double TextSimilarity(std::string_view a, std::string_view b) {
    std::unordered_map<std::string_view, int> counts;
    const std::vector<std::string_view> wordsA = TextWords(a);
    const std::vector<std::string_view> wordsB = TextWords(b);
    for (std::string_view w : wordsA) {
        ++counts[w];
    }
    size_t shared = 0;
    for (std::string_view w : wordsB) {
        auto found = counts.find(w);
        if (found != counts.end() && found->second > 0) {
            --found->second;
            ++shared;
        }
    }
    const size_t longer = std::max(wordsA.size(), wordsB.size());
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
