#include "app/settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>

#include "app/station_table.h"
#include "common/modes.h"
#include "common/utf.h"
#include "net/upload_host.h"

namespace wavelore {

namespace {

std::u16string_view DefaultOf(std::u16string_view name) {
    for (const auto& v : CSettings::kValues) {
        if (v.name == name) {
            return v.fallback;
        }
    }
    return {};
}

std::u16string Join(std::u16string_view a, std::u16string_view b) {
    std::u16string out(a);
    out += b;
    return out;
}

}  // namespace

bool ReadDecimal(std::u16string_view text, int32_t& out) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) {
        ++i;
    }
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    if (i == text.size() || text[i] < u'0' || text[i] > u'9') {
        return false;
    }
    out = DecimalValue(text);
    return true;
}

int32_t DecimalValue(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > kLimit) {
            value = kLimit;
        }
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int32_t>::max()) {
        value = std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(value);
}

std::u16string DecimalText(int32_t value) {
    const std::string ascii = std::to_string(value);
    return std::u16string(ascii.begin(), ascii.end());
}

std::u16string CSettings::GetString(std::u16string_view name) const {
    return m_store.GetString(kSection, name, DefaultOf(name));
}

bool CSettings::GetFlag(std::u16string_view name) const {
    return GetNumber(name, DefaultOf(name), 0, 1, false) != 0;
}

int32_t CSettings::GetNumber(std::u16string_view name, std::u16string_view fallback, int32_t low,
                             int32_t high, bool asText) const {
    const std::u16string stored = m_store.GetString(kSection, name, fallback);
    int32_t value = 0;
    bool readable = false;
    if (asText) {
        readable = ReadDecimal(stored, value);
    } else {
        // As the profile reads integers: the whole text, spaces around it aside.
        const size_t first = stored.find_first_not_of(u" \t");
        const size_t last = stored.find_last_not_of(u" \t");
        readable =
            first != std::u16string::npos &&
            ParseWholeNumber(std::u16string_view(stored).substr(first, last - first + 1), value);
    }
    if (readable && value >= low && value <= high) {
        return value;
    }
    const int32_t used = DecimalValue(fallback);
    if (m_refusedNames.insert(std::u16string(name)).second) {
        m_refused.push_back({std::u16string(name), stored, low, high, used});
    }
    return used;
}

int32_t CSettings::Number(std::u16string_view name, int32_t fallback, int32_t low,
                          int32_t high) const {
    return GetNumber(name, DecimalText(fallback), low, high, false);
}

std::vector<RefusedSetting> CSettings::TakeRefused() {
    return std::exchange(m_refused, {});
}

UserText CSettings::Notice(const RefusedSetting& refused) {
    return {texts::kSettingRefused,
            {refused.name, refused.stored, DecimalText(refused.low), DecimalText(refused.high),
             DecimalText(refused.used)}};
}

bool CSettings::WriteNumber(std::u16string_view name, int32_t value) {
    return m_store.WriteString(kSection, name, DecimalText(value));
}

int32_t CSettings::Frequency() const {
    const int32_t half = ModeShift(ModeName()) / 2;
    return GetNumber(u"Frequency", DefaultOf(u"Frequency"), half, kNyquist - half, true);
}
bool CSettings::WriteFrequency(int32_t hz) {
    return WriteNumber(u"Frequency", hz);
}

int32_t CSettings::PaneSplit() const {
    return GetNumber(u"PaneSplit", DefaultOf(u"PaneSplit"), 0, 1000, true);
}
bool CSettings::WritePaneSplit(int32_t perMille) {
    return WriteNumber(u"PaneSplit", perMille);
}

bool CSettings::StrictFec() const {
    return GetFlag(u"StrictFEC");
}
bool CSettings::WriteStrictFec(bool on) {
    return m_store.WriteInt(kSection, u"StrictFEC", on ? 1 : 0);
}

bool CSettings::BitSense() const {
    return GetFlag(u"BitSense");
}
bool CSettings::WriteBitSense(bool on) {
    return m_store.WriteInt(kSection, u"BitSense", on ? 1 : 0);
}

bool CSettings::SmartTune() const {
    return GetFlag(u"SmartTune");
}
bool CSettings::WriteSmartTune(bool on) {
    return m_store.WriteInt(kSection, u"SmartTune", on ? 1 : 0);
}

bool CSettings::Afc() const {
    return GetFlag(u"AFC");
}
bool CSettings::WriteAfc(bool on) {
    return m_store.WriteInt(kSection, u"AFC", on ? 1 : 0);
}

bool CSettings::Enhanced() const {
    return GetFlag(u"Enhanced");
}
bool CSettings::WriteEnhanced(bool on) {
    return m_store.WriteInt(kSection, u"Enhanced", on ? 1 : 0);
}

std::u16string CSettings::ModeName() const {
    return GetString(u"MODE");
}
bool CSettings::WriteModeName(std::u16string_view name) {
    return m_store.WriteString(kSection, u"MODE", name);
}

int32_t CSettings::ModeBaud(std::u16string_view modeName) const {
    return GetNumber(Join(modeName, kBaudSuffix), kDefaultBaud, kMinBaud, kMaxBaud, true);
}
int32_t CSettings::ModeBaud(std::u16string_view modeName, int32_t fallback) const {
    return GetNumber(Join(modeName, kBaudSuffix), DecimalText(fallback), kMinBaud, kMaxBaud, true);
}
bool CSettings::WriteModeBaud(std::u16string_view modeName, int32_t baud) {
    return WriteNumber(Join(modeName, kBaudSuffix), baud);
}

int32_t CSettings::ModeShift(std::u16string_view modeName) const {
    return GetNumber(Join(modeName, kShiftSuffix), kDefaultShift, kMinShift, kMaxShift, true);
}
bool CSettings::WriteModeShift(std::u16string_view modeName, int32_t hz) {
    return WriteNumber(Join(modeName, kShiftSuffix), hz);
}

std::u16string CSettings::SoundDevice() const {
    return GetString(u"SoundDevice");
}
bool CSettings::WriteSoundDevice(std::u16string_view productName) {
    return m_store.WriteString(kSection, u"SoundDevice", productName);
}

RadioSettings CSettings::Radio() const {
    RadioSettings radio;
    const auto number = [this](std::u16string_view name, double fallback) {
        const std::optional<double> value = RadioSettings::ParseFrequency(ToUtf8(GetString(name)));
        return value ? *value : fallback;
    };
    radio.args = ToUtf8(GetString(u"SdrArgs"));
    const double rate = number(u"SdrRate", radio.sampleRate);
    if (RadioSettings::TakesSampleRate(rate)) {
        radio.sampleRate = rate;
    }
    // 0 (midway) is no frequency, so it falls back to itself.
    radio.centreHz = number(u"SdrCentre", 0.0);
    RadioSettings::ParseGain(ToUtf8(GetString(u"SdrGain")), radio.gainDb);
    char* end = nullptr;
    const std::string ppm = ToUtf8(GetString(u"SdrPpm"));
    const double correction = std::strtod(ppm.c_str(), &end);
    if (!ppm.empty() && *end == '\0' && std::abs(correction) <= 1000.0) {
        radio.ppm = correction;
    }
    radio.upconverterHz = number(u"SdrUpconverter", 0.0);
    radio.directSampling = ToUtf8(GetString(u"SdrDirectSampling"));
    if (auto channels = RadioSettings::ParseChannels(ToUtf8(GetString(u"SdrChannels")))) {
        radio.channels = std::move(*channels);
    }
    return radio;
}

bool CSettings::WriteRadio(const RadioSettings& radio) {
    const auto text = [](double value) {
        char number[40];
        std::snprintf(number, sizeof number, "%.10g", value);
        return FromUtf8(number);
    };
    bool written = m_store.WriteString(kSection, u"SdrArgs", FromUtf8(radio.args));
    written = m_store.WriteString(kSection, u"SdrRate", text(radio.sampleRate)) && written;
    written = m_store.WriteString(kSection, u"SdrCentre", text(radio.centreHz)) && written;
    written = m_store.WriteString(kSection, u"SdrGain",
                                  FromUtf8(RadioSettings::GainText(radio.gainDb))) &&
              written;
    written = m_store.WriteString(kSection, u"SdrPpm", text(radio.ppm)) && written;
    written =
        m_store.WriteString(kSection, u"SdrUpconverter", text(radio.upconverterHz)) && written;
    written = m_store.WriteString(kSection, u"SdrDirectSampling", FromUtf8(radio.directSampling)) &&
              written;
    written = m_store.WriteString(kSection, u"SdrChannels",
                                  FromUtf8(RadioSettings::ChannelsText(radio.channels))) &&
              written;
    return written;
}

std::u16string CSettings::Uid() const {
    return GetString(u"UID");
}
bool CSettings::WriteUid(std::u16string_view uid) {
    return m_store.WriteString(kSection, u"UID", uid);
}

std::u16string CSettings::UploadHost() const {
    return ChooseUploadHost(m_store.GetString(kSection, kUploadHostSetting, u""));
}

CMessageSelection CSettings::Selection() const {
    return CMessageSelection(GetString(u"Stations"), GetString(u"Subjects"));
}
bool CSettings::WriteSelection(const CMessageSelection& selection) {
    const bool stations = m_store.WriteString(kSection, u"Stations", selection.Stations());
    return m_store.WriteString(kSection, u"Subjects", selection.Subjects()) && stations;
}

int32_t CSettings::NavArea() const {
    return GetNumber(u"NavArea", DefaultOf(u"NavArea"), CStationTable::kFirstNavArea,
                     CStationTable::kLastNavArea, false);
}
bool CSettings::WriteNavArea(int32_t navArea) {
    if (navArea < CStationTable::kFirstNavArea || navArea > CStationTable::kLastNavArea) {
        return false;
    }
    return m_store.WriteInt(kSection, u"NavArea", navArea);
}

bool CSettings::SarAlarm() const {
    return GetFlag(u"SarAlarm");
}
bool CSettings::WriteSarAlarm(bool on) {
    return m_store.WriteInt(kSection, u"SarAlarm", on ? 1 : 0);
}

bool CSettings::NmeaOutput() const {
    return GetFlag(u"NmeaOutput");
}
bool CSettings::WriteNmeaOutput(bool on) {
    return m_store.WriteInt(kSection, u"NmeaOutput", on ? 1 : 0);
}

int32_t CSettings::NmeaPort() const {
    return GetNumber(u"NmeaPort", DefaultOf(u"NmeaPort"), 1, 65535, true);
}
bool CSettings::WriteNmeaPort(int32_t port) {
    if (port < 1 || port > 65535) {
        return false;
    }
    return WriteNumber(u"NmeaPort", port);
}

bool CSettings::HideRepeats() const {
    return GetFlag(u"HideRepeats");
}
bool CSettings::WriteHideRepeats(bool hide) {
    return m_store.WriteInt(kSection, u"HideRepeats", hide ? 1 : 0);
}

std::u16string CSettings::WindowGeometry() const {
    return GetString(u"WindowGeometry");
}
bool CSettings::WriteWindowGeometry(std::u16string_view geometry) {
    return m_store.WriteString(kSection, u"WindowGeometry", geometry);
}

}  // namespace wavelore
