#pragma once

#include <string>

namespace wavelore::test {

// A radio's band as a cu8 recording at 96 kHz around 504 kHz: NAVTEX on
// 490 kHz ("OA01 LOWER CHANNEL") and on 518 kHz ("EA23 UPPER CHANNEL"),
// 20 dB above the noise. False when it cannot be written.
constexpr double kBandRate = 96000;
constexpr double kBandCentre = 504000;
bool WriteTwoChannelBand(const std::string& path);

}  // namespace wavelore::test
