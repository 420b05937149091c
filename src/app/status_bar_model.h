#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/user_text.h"

namespace wavelore {

namespace texts {

// %1: the sound device's name.
inline constexpr std::u16string_view kStatusDevice = u"Sound device: %1";
inline constexpr std::u16string_view kStatusNoSource = u"No sound source";
// %1: the recording's file name; %2: the position; %3: its length ("m:ss").
inline constexpr std::u16string_view kStatusRecording = u"Recording %1: %2 of %3";
// %1: the recording's file name; %2: the position.
inline constexpr std::u16string_view kStatusRecordingNoLength = u"Recording %1: %2";
// %1: the recording's file name.
inline constexpr std::u16string_view kStatusRecordingEnded = u"Recording %1: ended";
// %1: the radio's name; %2: the channel shown, in kHz.
inline constexpr std::u16string_view kStatusRadio = u"%1: channel %2 kHz";
// %1: the mode's name; %2: baud; %3: the shift in Hz.
inline constexpr std::u16string_view kStatusMode = u"%1, %2 Bd, shift %3 Hz";
// %1: the centre frequency in Hz.
inline constexpr std::u16string_view kStatusCentre = u"Centre %1 Hz";
// %1: how many messages were stored today.
inline constexpr std::u16string_view kStatusStoredToday = u"Messages today: %1";

// Every status text, in this order.
inline constexpr std::u16string_view kStatusTexts[] = {
    kStatusDevice,         kStatusNoSource, kStatusRecording, kStatusRecordingNoLength,
    kStatusRecordingEnded, kStatusMode,     kStatusCentre,    kStatusStoredToday,
    kStatusRadio,
};

}  // namespace texts

// What the status bar says, without the widget: where the sound comes from
// (a device, or a recording with its position, or "ended"), the mode with
// its baud and shift, the centre frequency, and how many messages were
// stored today. Each field is a user text for the host to translate.
class CStatusBarModel {
  public:
    struct Texts {
        UserText source;
        UserText mode;
        UserText centre;
        UserText storedToday;
    };

    void SetDevice(std::u16string_view name);
    // name: the recording's file name (without its directory).
    // lengthSeconds: nullopt when the length is not known (a raw stream).
    void SetRecording(std::u16string_view name, std::optional<double> lengthSeconds);
    void SetRecordingPosition(double seconds) { m_position = seconds; }
    void SetRecordingEnded() { m_ended = true; }
    void SetNoSource();
    // A radio, and the channel shown (Hz).
    void SetRadio(std::u16string_view name, int32_t channelHz);

    // name: the mode's own name ("NAVTEX"); baud and shift as in effect (a
    // baud of 0, as for FAX, leaves baud and shift out).
    void SetMode(std::u16string_view name, int32_t baud, int32_t shiftHz);
    void SetCentre(int32_t hz) { m_centre = hz; }

    // The day's count at start (the index's rows of today); date
    // "YYYY-MM-DD".
    void SetStoredOnDay(std::u16string_view date, int32_t count);
    // A message just stored, with the date of its frame.
    void AddStoredMessage(std::u16string_view date);
    // Today's count: 0 once the day has turned without a message.
    int32_t StoredToday(const LocalTime& now) const;

    Texts GetTexts(const LocalTime& now) const;

    // Seconds as "m:ss" (h:mm:ss from an hour on); negative counts as 0.
    static std::u16string Duration(double seconds);

  private:
    enum class Source { None, Device, Recording, Radio };
    Source m_source = Source::None;
    int32_t m_channelHz = 0;
    std::u16string m_sourceName;
    std::optional<double> m_length;
    double m_position = 0.0;
    bool m_ended = false;
    std::u16string m_mode;
    int32_t m_baud = 0;
    int32_t m_shift = 0;
    int32_t m_centre = 0;
    std::u16string m_day;
    int32_t m_stored = 0;
};

}  // namespace wavelore
