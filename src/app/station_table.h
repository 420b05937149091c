#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/modes.h"

namespace wavelore {

// A NAVTEX coast station as the station list gives it.
struct NavtexStation {
    int32_t navArea;      // 1..21
    char16_t b1;          // transmitter identity letter, 'A'..'Z'
    int32_t frequencyHz;  // 490000, 518000 or 4209500
    std::u16string_view name;
    double latitude;   // degrees, north positive
    double longitude;  // degrees, east positive
};

// The station named by a letter in a NAVAREA: the name to show ("Niton")
// and the frequency it sends on. Empty name and frequency 0 when the
// letter has no station there.
struct StationName {
    std::u16string name;
    int32_t frequencyHz = 0;
};

// The NAVTEX stations built into the program. A letter is used again in
// other NAVAREAs, and within one NAVAREA on each frequency (and in a few
// NAVAREAs twice on one frequency), so a letter names a station only
// together with its NAVAREA and frequency.
class CStationTable {
  public:
    static constexpr int32_t kFirstNavArea = 1;
    static constexpr int32_t kLastNavArea = 21;
    static constexpr int32_t kInternationalHz = 518000;

    static std::span<const NavtexStation> All();

    // The stations of a NAVAREA in list order.
    static std::vector<NavtexStation> OfNavArea(int32_t navArea);

    // The station a header's B1 names in a NAVAREA. The international
    // 518 kHz service is taken first, then the lowest other frequency the
    // letter has there; two stations sharing the letter on that frequency
    // are both named, "Curacao / Wiarton".
    // received: the channel the message came on (Hz), which names the
    // station when the letter has one there; 0 when unknown.
    static StationName Lookup(int32_t navArea, char16_t b1, int32_t received = 0);

    // "E Niton": the letter and the station's name, or the letter alone
    // when the NAVAREA has no station of that letter.
    static std::u16string DisplayName(int32_t navArea, std::u16string_view b1,
                                      int32_t received = 0);

    // The NAVAREA a message's station is named in: none (0, so the letter
    // stands alone) for NAVTEX-J, whose letters are Japan's own stations,
    // not the NAVAREA's.
    static constexpr int32_t NamingNavArea(int32_t navArea, Mode mode) {
        return mode == Mode::NavtexJ ? 0 : navArea;
    }

    // "518 kHz", "4209.5 kHz"; empty for 0.
    static std::u16string FrequencyText(int32_t frequencyHz);
    // The same without the unit: "518", "4209.5".
    static std::u16string KilohertzText(int32_t frequencyHz);
};

}  // namespace wavelore
