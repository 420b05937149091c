#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings.h"
#include "common/modes.h"

namespace wavelore {

// What a mode change asks of its host (the main window, or the command-line
// tool with a view of its own).
class IModeView {
  public:
    virtual ~IModeView() = default;
    // The centre frequency the host holds, in Hz.
    virtual int32_t CentreFrequency() const = 0;
    // Tuning of the spectrum display: centre and half shift in Hz.
    virtual void SetTuning(int32_t centre, int32_t halfShift) = 0;
    // Check mark of a mode, baud or shift command.
    virtual void SetCommandChecked(int32_t commandId, bool checked) = 0;
    virtual void SetNavtexJChecked(bool checked) = 0;
    // The message pane (explorer with the "Raw data"/"Messages" buttons).
    // Hiding it while "Messages" is shown switches back to "Raw data" and
    // clears the raw view.
    virtual void ShowMessagePane(bool shown) = 0;
    virtual void EnableAfc(bool enabled) = 0;
    virtual void EnableStrictFec(bool enabled) = 0;
    // Close the assembler's working file without storing it.
    virtual void CloseWorkingFile() = 0;
    // The mode is now current; the assembler follows it.
    virtual void ModeSelected(Mode mode) = 0;
    virtual void HideStatusLine() = 0;
    // Start (or restart) decoding the mode at centre (Hz) with its shift (Hz
    // between the tones) and baud; false when the decoder could not start
    // (the host handles that, e.g. with the sound-device fallback).
    virtual bool StartDecoding(Mode mode, int32_t centre, int32_t shift, int32_t baud) = 0;
};

// The current mode with its baud and shift: switches modes, saving the old
// mode's values and loading the new one's, and restores the mode at start.
class CModeController {
  public:
    enum class Pane { Hidden, Shown, Unchanged };
    enum class StrictFecBox { Enabled, Disabled, WithPane, Unchanged };
    struct ModeInfo {
        Mode mode;
        std::u16string_view name;  // compared case-sensitively
        DecoderType decoder;
        Pane pane;
        StrictFecBox strictFec;
        int32_t commandId;  // 0: reached through the "NAVTEX-J" box instead
    };
    static constexpr std::array<ModeInfo, 7> kModes = {{
        {Mode::Sitor, u"SITOR", DecoderType::SitorB, Pane::Hidden, StrictFecBox::Enabled, 32771},
        {Mode::Rtty, u"RTTY", DecoderType::StartStop, Pane::Hidden, StrictFecBox::Disabled, 32772},
        {Mode::Navtex, u"NAVTEX", DecoderType::SitorB, Pane::Shown, StrictFecBox::WithPane, 32782},
        {Mode::Fax, u"FAX", DecoderType::Fax, Pane::Unchanged, StrictFecBox::Unchanged, 32786},
        {Mode::Amtor, u"AMTOR", DecoderType::Amtor, Pane::Hidden, StrictFecBox::Disabled, 32787},
        {Mode::Dpsk, u"DPSK", DecoderType::Dpsk, Pane::Unchanged, StrictFecBox::Unchanged, 32793},
        {Mode::NavtexJ, u"NAVTEX-J", DecoderType::NavtexJ, Pane::Shown, StrictFecBox::WithPane, 0},
    }};
    struct Choice {
        int32_t commandId;
        int32_t value;
    };
    static constexpr std::array<Choice, 5> kBaudCommands = {
        {{32773, 45}, {32774, 50}, {32775, 75}, {32776, 100}, {32788, 300}}};
    static constexpr std::array<Choice, 5> kShiftCommands = {
        {{32778, 170}, {32784, 200}, {32783, 425}, {32779, 450}, {32780, 850}}};

    CModeController(CSettings& settings, IModeView& view) : m_settings(settings), m_view(view) {}
    CModeController(const CModeController&) = delete;
    CModeController& operator=(const CModeController&) = delete;

    // The mode stored in the settings, once at start-up; starts decoding.
    void RestoreMode();
    // Switches to mode (or re-applies the current one) and restarts decoding.
    void SetMode(Mode mode);
    // A mode, baud or shift command; false when id is none of them.
    bool OnCommand(int32_t commandId);
    void OnNavtexJCheckBox(bool checked);
    // Starts decoding again in the current mode at the current tuning, after
    // a change of sound source; false, and nothing started, before a mode is
    // set (setting one starts decoding itself).
    bool RestartDecoding();

    // -1 until RestoreMode or SetMode.
    int32_t CurrentMode() const { return m_mode; }
    // The name the per-mode values are stored under: the stored "MODE" text
    // at start-up, even when no mode has that name, until the mode changes.
    const std::u16string& ModeName() const { return m_modeName; }
    int32_t Baud() const { return m_baud; }
    int32_t Shift() const { return m_shift; }
    int32_t HalfShift() const { return m_shift / 2; }

    static const ModeInfo& Info(Mode mode);
    // The speed a mode starts with until one is stored for it: 100 baud,
    // NAVTEX's, but for RTTY 45, the 45.45 baud of amateur and most other
    // RTTY on the air (the receiver's bauds are whole numbers).
    static int32_t DefaultBaud(Mode mode);
    // The mode of a name; NAVTEX for a name no mode has.
    static Mode ModeOfName(std::u16string_view name);

  private:
    void ShowChecksAndPane(const ModeInfo& info);
    void Start(const ModeInfo& info);

    CSettings& m_settings;
    IModeView& m_view;
    int32_t m_mode = -1;
    std::u16string m_modeName;
    int32_t m_baud = 100;
    int32_t m_shift = 170;
};

}  // namespace wavelore
