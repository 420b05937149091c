#include "app/mode_controller.h"

namespace wavelore {

const CModeController::ModeInfo& CModeController::Info(Mode mode) {
    for (const auto& info : kModes) {
        if (info.mode == mode) {
            return info;
        }
    }
    return kModes[static_cast<size_t>(Mode::Navtex)];
}

int32_t CModeController::DefaultBaud(Mode mode) {
    return mode == Mode::Rtty ? 45 : DecimalValue(CSettings::kDefaultBaud);
}

Mode CModeController::ModeOfName(std::u16string_view name) {
    for (const auto& info : kModes) {
        if (info.name == name) {
            return info.mode;
        }
    }
    return Mode::Navtex;
}

void CModeController::RestoreMode() {
    m_modeName = m_settings.ModeName();
    m_baud = m_settings.ModeBaud(m_modeName, DefaultBaud(ModeOfName(m_modeName)));
    m_shift = m_settings.ModeShift(m_modeName);
    const ModeInfo& info = Info(ModeOfName(m_modeName));
    m_mode = static_cast<int32_t>(info.mode);
    m_view.SetNavtexJChecked(info.mode == Mode::NavtexJ);
    // The display was tuned with the default half shift before the mode was
    // known; give it the mode's, or its tone marks disagree with the decoder.
    m_view.SetTuning(m_view.CentreFrequency(), HalfShift());
    ShowChecksAndPane(info);
    Start(info);
    m_view.HideStatusLine();
}

void CModeController::SetMode(Mode mode) {
    const ModeInfo& info = Info(mode);
    if (static_cast<int32_t>(info.mode) != m_mode) {
        if (m_mode >= 0) {
            // Baud and shift are saved only here, on leaving a mode.
            m_settings.WriteModeBaud(m_modeName, m_baud);
            m_settings.WriteModeShift(m_modeName, m_shift);
            m_settings.WriteModeName(m_modeName);
        }
        m_mode = static_cast<int32_t>(info.mode);
        m_modeName = std::u16string(info.name);
        m_baud = m_settings.ModeBaud(m_modeName, DefaultBaud(info.mode));
        m_shift = m_settings.ModeShift(m_modeName);
    }
    m_view.SetTuning(m_view.CentreFrequency(), HalfShift());
    ShowChecksAndPane(info);
    m_settings.WriteModeName(info.name);
    m_view.HideStatusLine();
    Start(info);
}

bool CModeController::OnCommand(int32_t commandId) {
    for (const auto& info : kModes) {
        if (info.commandId != 0 && info.commandId == commandId) {
            SetMode(info.mode);
            return true;
        }
    }
    int32_t* target = nullptr;
    int32_t value = 0;
    for (const auto& c : kBaudCommands) {
        if (c.commandId == commandId) {
            target = &m_baud;
            value = c.value;
        }
    }
    for (const auto& c : kShiftCommands) {
        if (c.commandId == commandId) {
            target = &m_shift;
            value = c.value;
        }
    }
    if (target == nullptr) {
        return false;
    }
    *target = value;
    if (m_mode >= 0) {
        SetMode(static_cast<Mode>(m_mode));
    }
    return true;
}

void CModeController::OnNavtexJCheckBox(bool checked) {
    SetMode(checked ? Mode::NavtexJ : Mode::Navtex);
}

void CModeController::ShowChecksAndPane(const ModeInfo& info) {
    for (const auto& c : kBaudCommands) {
        m_view.SetCommandChecked(c.commandId, c.value == m_baud);
    }
    for (const auto& c : kShiftCommands) {
        m_view.SetCommandChecked(c.commandId, c.value == m_shift);
    }
    for (const auto& m : kModes) {
        if (m.commandId != 0) {
            m_view.SetCommandChecked(m.commandId, m.mode == info.mode);
        }
    }
    if (info.pane == Pane::Shown) {
        m_view.ShowMessagePane(true);
        m_view.EnableAfc(true);
        m_view.EnableStrictFec(true);
    } else if (info.pane == Pane::Hidden) {
        m_view.ShowMessagePane(false);
        m_view.EnableAfc(false);
        m_view.EnableStrictFec(info.strictFec == StrictFecBox::Enabled);
        m_view.CloseWorkingFile();
    }
}

void CModeController::Start(const ModeInfo& info) {
    m_view.ModeSelected(info.mode);
    m_view.StartDecoding(info.mode, m_view.CentreFrequency(), m_shift, m_baud);
}

bool CModeController::RestartDecoding() {
    if (m_mode < 0) {
        return false;
    }
    const ModeInfo& info = Info(static_cast<Mode>(m_mode));
    return m_view.StartDecoding(info.mode, m_view.CentreFrequency(), m_shift, m_baud);
}

}  // namespace wavelore
