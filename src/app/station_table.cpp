#include "app/station_table.h"

#include <algorithm>
#include <string>

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

StationName CStationTable::Lookup(int32_t navArea, char16_t b1) {
    const char16_t letter = NarrowChar(b1);
    int32_t chosen = 0;
    for (const NavtexStation& s : kStations) {
        if (s.navArea != navArea || s.b1 != letter) {
            continue;
        }
        if (chosen == 0 || s.frequencyHz == kInternationalHz ||
            (chosen != kInternationalHz && s.frequencyHz < chosen)) {
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

std::u16string CStationTable::DisplayName(int32_t navArea, std::u16string_view b1) {
    std::u16string out(b1);
    if (b1.size() == 1) {
        const StationName station = Lookup(navArea, b1[0]);
        if (!station.name.empty()) {
            out += u' ';
            out += station.name;
        }
    }
    return out;
}

std::u16string CStationTable::FrequencyText(int32_t frequencyHz) {
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
    text += " kHz";
    return std::u16string(text.begin(), text.end());
}

}  // namespace wavelore
