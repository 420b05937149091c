#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/message_selection.h"
#include "app/profile_store.h"

namespace wavelore {

// The values of the profile section "Settings", each with its kind and
// default. Numbers kept as strings are read with DecimalValue.
class CSettings {
  public:
    static constexpr std::u16string_view kSection = u"Settings";

    enum class Kind { String, Integer };
    struct Value {
        std::u16string_view name;
        Kind kind;
        std::u16string_view fallback;  // the default, as stored
    };
    // Every fixed value; the per-mode values are a mode name followed by
    // kBaudSuffix (default "100") or kShiftSuffix (default "170").
    static constexpr Value kValues[] = {
        {u"Frequency", Kind::String, u"1700"},
        {u"PaneSplit", Kind::String, u"500"},
        {u"StrictFEC", Kind::Integer, u"1"},
        {u"BitSense", Kind::Integer, u"0"},
        {u"SmartTune", Kind::Integer, u"1"},
        {u"AFC", Kind::Integer, u"1"},
        {u"MODE", Kind::String, u"NAVTEX"},
        {u"SoundDevice", Kind::String, u""},
        {u"UID", Kind::String, u""},
        {u"Enhanced", Kind::Integer, u"0"},
        {u"Stations", Kind::String, CMessageSelection::kAllLetters},
        {u"Subjects", Kind::String, CMessageSelection::kAllLetters},
        {u"NavArea", Kind::Integer, u"1"},
        {u"SarAlarm", Kind::Integer, u"1"},
        {u"NmeaOutput", Kind::Integer, u"0"},
        {u"NmeaPort", Kind::String, u"10110"},
        {u"HideRepeats", Kind::Integer, u"1"},
    };
    static constexpr std::u16string_view kBaudSuffix = u"-BAUD";
    static constexpr std::u16string_view kShiftSuffix = u"-SHIFT";
    static constexpr std::u16string_view kDefaultBaud = u"100";
    static constexpr std::u16string_view kDefaultShift = u"170";

    explicit CSettings(IProfileStore& store) : m_store(store) {}

    // Centre frequency in Hz, as stored (not clamped).
    int32_t Frequency() const;
    bool WriteFrequency(int32_t hz);
    // Width share of the text view in per mille.
    int32_t PaneSplit() const;
    bool WritePaneSplit(int32_t perMille);
    bool StrictFec() const;
    bool WriteStrictFec(bool on);
    bool BitSense() const;
    bool WriteBitSense(bool on);
    bool SmartTune() const;
    bool WriteSmartTune(bool on);
    bool Afc() const;
    bool WriteAfc(bool on);
    // The weak-signal decoder for NAVTEX and SITOR ("Enhanced decoder").
    bool Enhanced() const;
    bool WriteEnhanced(bool on);
    // The stored mode name, which may be a name no mode has.
    std::u16string ModeName() const;
    bool WriteModeName(std::u16string_view name);
    int32_t ModeBaud(std::u16string_view modeName) const;
    bool WriteModeBaud(std::u16string_view modeName, int32_t baud);
    int32_t ModeShift(std::u16string_view modeName) const;
    bool WriteModeShift(std::u16string_view modeName, int32_t hz);
    std::u16string SoundDevice() const;
    bool WriteSoundDevice(std::u16string_view productName);
    std::u16string Uid() const;
    bool WriteUid(std::u16string_view uid);
    // The upload service, "host" or "host:port": the "UploadHost" value when
    // it names one, else the built-in host.
    std::u16string UploadHost() const;
    // The selection of stations and subjects, as CMessageSelection keeps
    // the letters (the fixed subjects added when read and written).
    CMessageSelection Selection() const;
    bool WriteSelection(const CMessageSelection& selection);
    // 1..21; a stored value outside that range reads as 1, and is not written.
    int32_t NavArea() const;
    bool WriteNavArea(int32_t navArea);
    // The alarm for new search-and-rescue messages.
    bool SarAlarm() const;
    bool WriteSarAlarm(bool on);
    // NRX sentences served on the NMEA port.
    bool NmeaOutput() const;
    bool WriteNmeaOutput(bool on);
    // A TCP port, 1..65535; anything else reads as 10110, and is not written.
    int32_t NmeaPort() const;
    bool WriteNmeaPort(int32_t port);

    // The explorer leaves repeats out.
    bool HideRepeats() const;
    bool WriteHideRepeats(bool hide);

    IProfileStore& Store() const { return m_store; }

  private:
    std::u16string GetString(std::u16string_view name) const;
    int32_t GetInt(std::u16string_view name) const;
    int32_t GetNumber(std::u16string_view name, std::u16string_view fallback) const;
    bool WriteNumber(std::u16string_view name, int32_t value);

    IProfileStore& m_store;
};

// The plain decimal conversion of numbers kept as text: leading white space,
// an optional sign, then digits up to the first non-digit; text that does
// not start with a number gives 0, and values beyond 32 bits saturate.
int32_t DecimalValue(std::u16string_view text);

// value in "%d" form.
std::u16string DecimalText(int32_t value);

}  // namespace wavelore
