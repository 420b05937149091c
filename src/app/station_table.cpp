#include "app/station_table.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/message_record.h"

namespace wavelore {

namespace {

constexpr NavtexStation kStations[] = {
#include "app/station_table.inc"
};

}  // namespace

std::span<const NavtexStation> CStationTable::All() {
    return kStations;
}

std::vector<NavtexStation> CStationTable::OfNavArea(int32_t navArea) {
    std::vector<NavtexStation> out;
    for (const NavtexStation& s : kStations) {
        if (s.navArea == navArea) {
            out.push_back(s);
        }
    }
    return out;
}

namespace {

// The channel received on first, then 518 kHz, then the lowest other.
std::pair<int, int32_t> Rank(int32_t hz, int32_t received) {
    return {hz == received ? 0 : hz == CStationTable::kInternationalHz ? 1 : 2, hz};
}

}  // namespace

StationName CStationTable::Lookup(int32_t navArea, char16_t b1, int32_t received) {
    const char16_t letter = NarrowChar(b1);
    int32_t chosen = 0;
    for (const NavtexStation& s : kStations) {
        if (s.navArea != navArea || s.b1 != letter) {
            continue;
        }
        if (chosen == 0 || Rank(s.frequencyHz, received) < Rank(chosen, received)) {
            chosen = s.frequencyHz;
        }
    }
    StationName out;
    if (chosen == 0) {
        return out;
    }
    out.frequencyHz = chosen;
    for (const NavtexStation& s : kStations) {
        if (s.navArea == navArea && s.b1 == letter && s.frequencyHz == chosen) {
            if (!out.name.empty()) {
                out.name += u" / ";
            }
            out.name += s.name;
        }
    }
    return out;
}

std::u16string CStationTable::DisplayName(int32_t navArea, std::u16string_view b1,
                                          int32_t received) {
    std::u16string out(b1);
    if (b1.size() == 1) {
        const StationName station = Lookup(navArea, b1[0], received);
        if (!station.name.empty()) {
            out += u' ';
            out += station.name;
        }
    }
    return out;
}

std::u16string CStationTable::KilohertzText(int32_t frequencyHz) {
    if (frequencyHz <= 0) {
        return {};
    }
    std::string text = std::to_string(frequencyHz / 1000);
    int32_t rest = frequencyHz % 1000;
    if (rest != 0) {
        std::string decimals = std::to_string(1000 + rest).substr(1);
        while (decimals.back() == '0') {
            decimals.pop_back();
        }
        text += '.' + decimals;
    }
    return std::u16string(text.begin(), text.end());
}

std::u16string CStationTable::FrequencyText(int32_t frequencyHz) {
    std::u16string text = KilohertzText(frequencyHz);
    return text.empty() ? text : text + u" kHz";
}

}  // namespace wavelore
