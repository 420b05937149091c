#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace wavelore::service {

// Receptions of the same B1B2B3B4 (in one NAVAREA) within this time of a
// message's first reception are that message: the broadcast heard by
// several receivers, and its scheduled repeats.
constexpr int64_t kMergeWindowSeconds = 72 * 3600;

// Serial number 00 (000 in NAVTEX-J) marks messages every receiver must
// show, and a station sends many different ones under it; such receptions
// join a message only when their texts are alike.
bool IsAllZeroNumber(std::string_view number);

// The words of a text as merging and search see them: runs of ASCII
// letters and digits, and of any non-ASCII bytes.
std::vector<std::string_view> TextWords(std::string_view text);

// How much of two texts is the same, 0..1: the words they share (counted
// with repeats) over the words of the longer one. Reception errors change
// a few words, a different message most of them.
double TextSimilarity(std::string_view a, std::string_view b);
// The share of words above which two texts are one message.
constexpr double kAlikeTexts = 0.6;

// A number naming one identity (NAVAREA and B1B2B3B4) for a database lock,
// so that two service processes never both create the same message.
int64_t MergeLockKey(int navArea, std::string_view b1, std::string_view b2,
                     std::string_view number);

}  // namespace wavelore::service
