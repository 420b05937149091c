#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_selection.h"
#include "app/profile_store.h"
#include "common/user_text.h"
#include "sdr/radio_settings.h"

namespace wavelore {

// A stored number that cannot be used: not a number, or outside the range
// the receiver can work with. Its default is used instead.
struct RefusedSetting {
    std::u16string name;
    std::u16string stored;  // the text as stored
    int32_t low = 0;        // the valid range
    int32_t high = 0;
    int32_t used = 0;  // the default
};

// The values of the profile section "Settings", each with its kind and
// default. Numbers kept as strings are read with DecimalValue. Every number
// is read with its valid range; one that is unreadable or out of range
// reads as its default and is remembered, once per name, for the host to
// say (TakeRefused).
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
        {u"WindowGeometry", Kind::String, u""},
        {u"SdrArgs", Kind::String, u""},
        {u"SdrRate", Kind::String, u"2048000"},
        {u"SdrCentre", Kind::String, u"0"},
        {u"SdrGain", Kind::String, u"auto"},
        {u"SdrPpm", Kind::String, u"0"},
        {u"SdrUpconverter", Kind::String, u"0"},
        {u"SdrDirectSampling", Kind::String, u""},
        {u"SdrChannels", Kind::String, u""},
    };
    static constexpr std::u16string_view kBaudSuffix = u"-BAUD";
    static constexpr std::u16string_view kShiftSuffix = u"-SHIFT";
    static constexpr std::u16string_view kDefaultBaud = u"100";
    static constexpr std::u16string_view kDefaultShift = u"170";

    // The ranges a receiver can decode with: from 10 baud (slower keying
    // than any service) to 1200 (9 samples a bit at 11025 Hz); a shift from
    // 10 Hz to 2000 Hz, wider than any FSK service.
    static constexpr int32_t kMinBaud = 10;
    static constexpr int32_t kMaxBaud = 1200;
    static constexpr int32_t kMinShift = 10;
    static constexpr int32_t kMaxShift = 2000;

    explicit CSettings(IProfileStore& store) : m_store(store) {}

    // Centre frequency in Hz: both tones of the stored mode's shift within
    // 0 to 5512 Hz, so from half the shift to 5512 Hz less half the shift.
    int32_t Frequency() const;
    bool WriteFrequency(int32_t hz);
    // Width share of the text view in per mille, 0 to 1000.
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
    // kMinBaud to kMaxBaud; fallback when none is stored (or the stored
    // one is refused).
    int32_t ModeBaud(std::u16string_view modeName) const;
    int32_t ModeBaud(std::u16string_view modeName, int32_t fallback) const;
    bool WriteModeBaud(std::u16string_view modeName, int32_t baud);
    // In Hz, kMinShift to kMaxShift.
    int32_t ModeShift(std::u16string_view modeName) const;
    bool WriteModeShift(std::u16string_view modeName, int32_t hz);
    std::u16string SoundDevice() const;
    bool WriteSoundDevice(std::u16string_view productName);
    // The radio: an SDR's set-up and the channels decoded. A stored value
    // that cannot be read keeps the default.
    RadioSettings Radio() const;
    bool WriteRadio(const RadioSettings& radio);
    std::u16string Uid() const;
    bool WriteUid(std::u16string_view uid);
    // The upload service, "host" or "host:port": the "UploadHost" value when
    // it names one, else the built-in host.
    std::u16string UploadHost() const;
    // The selection of stations and subjects, as CMessageSelection keeps
    // the letters (the fixed subjects added when read and written).
    CMessageSelection Selection() const;
    bool WriteSelection(const CMessageSelection& selection);
    // 1..21; a value outside that range is not written.
    int32_t NavArea() const;
    bool WriteNavArea(int32_t navArea);
    // The alarm for new search-and-rescue messages.
    bool SarAlarm() const;
    bool WriteSarAlarm(bool on);
    // NRX sentences served on the NMEA port.
    bool NmeaOutput() const;
    bool WriteNmeaOutput(bool on);
    // A TCP port, 1..65535; anything else is not written.
    int32_t NmeaPort() const;
    bool WriteNmeaPort(int32_t port);

    // The explorer leaves repeats out.
    bool HideRepeats() const;
    bool WriteHideRepeats(bool hide);

    // The window's size and place as the window system gives them, in
    // text (Base64); empty: none stored.
    std::u16string WindowGeometry() const;
    bool WriteWindowGeometry(std::u16string_view geometry);

    IProfileStore& Store() const { return m_store; }

    // A number another part keeps in this section as an integer, read
    // within [low, high] like the ones above.
    int32_t Number(std::u16string_view name, int32_t fallback, int32_t low, int32_t high) const;

    // The values read so far that were refused and not taken before, each
    // name once for the life of this object.
    std::vector<RefusedSetting> TakeRefused();
    // What to tell the user of one (texts::kSettingRefused).
    static UserText Notice(const RefusedSetting& refused);

  private:
    std::u16string GetString(std::u16string_view name) const;
    // On/off values: 0 or 1.
    bool GetFlag(std::u16string_view name) const;
    // A number kept as an integer (whole-number text only) or as text (the
    // plain decimal conversion), within [low, high]; else the fallback.
    int32_t GetNumber(std::u16string_view name, std::u16string_view fallback, int32_t low,
                      int32_t high, bool asText) const;
    bool WriteNumber(std::u16string_view name, int32_t value);

    IProfileStore& m_store;
    // Reads stay const for the callers; what they refused is kept here.
    mutable std::vector<RefusedSetting> m_refused;
    mutable std::set<std::u16string> m_refusedNames;
};

// The plain decimal conversion of numbers kept as text: leading white space,
// an optional sign, then digits up to the first non-digit; text that does
// not start with a number gives 0, and values beyond 32 bits saturate.
int32_t DecimalValue(std::u16string_view text);
// The same, false for text that does not start with a number.
bool ReadDecimal(std::u16string_view text, int32_t& out);

// value in "%d" form.
std::u16string DecimalText(int32_t value);

}  // namespace wavelore
