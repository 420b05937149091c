#include "app/status_bar_model.h"

#include <cmath>

#include "app/log_day.h"
#include "app/station_table.h"
#include "common/utf.h"

namespace wavelore {

namespace {

std::u16string Number(int64_t value) {
    return FromUtf8(std::to_string(value));
}

std::u16string TwoDigits(int64_t value) {
    // Padded in the narrow text: GCC 12 at -O3 warns falsely (-Wrestrict)
    // on prepending to a u16string.
    std::string digits = std::to_string(value);
    if (digits.size() < 2) {
        digits.insert(digits.begin(), '0');
    }
    return FromUtf8(digits);
}

}  // namespace

void CStatusBarModel::SetDevice(std::u16string_view name) {
    m_source = Source::Device;
    m_sourceName = std::u16string(name);
}

void CStatusBarModel::SetRecording(std::u16string_view name, std::optional<double> lengthSeconds) {
    m_source = Source::Recording;
    m_sourceName = std::u16string(name);
    m_length = lengthSeconds;
    m_position = 0.0;
    m_ended = false;
}

void CStatusBarModel::SetNoSource() {
    m_source = Source::None;
    m_sourceName.clear();
}

void CStatusBarModel::SetRadio(std::u16string_view name, int32_t channelHz) {
    m_source = Source::Radio;
    m_sourceName = std::u16string(name);
    m_channelHz = channelHz;
}

void CStatusBarModel::SetMode(std::u16string_view name, int32_t baud, int32_t shiftHz) {
    m_mode = std::u16string(name);
    m_baud = baud;
    m_shift = shiftHz;
}

void CStatusBarModel::SetStoredOnDay(std::u16string_view date, int32_t count) {
    m_day = std::u16string(date);
    m_stored = count;
}

void CStatusBarModel::AddStoredMessage(std::u16string_view date) {
    if (date != m_day) {
        m_day = std::u16string(date);
        m_stored = 0;
    }
    ++m_stored;
}

int32_t CStatusBarModel::StoredToday(const LocalTime& now) const {
    return FormatDate(now) == m_day ? m_stored : 0;
}

std::u16string CStatusBarModel::Duration(double seconds) {
    const int64_t whole =
        std::isfinite(seconds) && seconds > 0.0 ? static_cast<int64_t>(std::floor(seconds)) : 0;
    const int64_t hours = whole / 3600;
    const int64_t minutes = whole / 60 % 60;
    const std::u16string rest = TwoDigits(whole % 60);
    if (hours > 0) {
        return Number(hours) + u':' + TwoDigits(minutes) + u':' + rest;
    }
    return Number(minutes) + u':' + rest;
}

CStatusBarModel::Texts CStatusBarModel::GetTexts(const LocalTime& now) const {
    Texts out;
    switch (m_source) {
        case Source::None:
            out.source = {texts::kStatusNoSource};
            break;
        case Source::Device:
            out.source = {texts::kStatusDevice, {m_sourceName}};
            break;
        case Source::Radio:
            out.source = {texts::kStatusRadio,
                          {m_sourceName, CStationTable::KilohertzText(m_channelHz)}};
            break;
        case Source::Recording:
            if (m_ended) {
                out.source = {texts::kStatusRecordingEnded, {m_sourceName}};
            } else if (m_length) {
                out.source = {texts::kStatusRecording,
                              {m_sourceName, Duration(m_position), Duration(*m_length)}};
            } else {
                out.source = {texts::kStatusRecordingNoLength,
                              {m_sourceName, Duration(m_position)}};
            }
            break;
    }
    if (m_baud > 0) {
        out.mode = {texts::kStatusMode, {m_mode, Number(m_baud), Number(m_shift)}};
    } else {
        // A text of its own, the name as it stands: nothing to translate.
        out.mode = {u"%1", {m_mode}};
    }
    out.centre = {texts::kStatusCentre, {Number(m_centre)}};
    out.storedToday = {texts::kStatusStoredToday, {Number(StoredToday(now))}};
    return out;
}

}  // namespace wavelore
