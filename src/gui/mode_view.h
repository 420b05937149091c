#pragma once

#include <cstdint>

#include "app/mode_controller.h"

namespace wavelore {

class CControlsPanel;
class CDecodingControl;
class CExplorerHost;
class CReceiverMenus;
class CChannelReceptions;
class CTuningControl;

// What a mode change shows in the window and starts: the tuning, the
// menus' checks, the NAVTEX-J box and the switches, the message pane, the
// reception's mode and the decoder. Bound to the parts once the window has
// made them.
class CModeView final : public IModeView {
  public:
    CModeView(CTuningControl& tuning, CChannelReceptions& reception, CDecodingControl& decoding)
        : m_tuning(tuning), m_reception(reception), m_decoding(decoding) {}

    void Bind(CReceiverMenus* menus, CControlsPanel* controls, CExplorerHost* messages) {
        m_menus = menus;
        m_controls = controls;
        m_messages = messages;
    }

    int32_t CentreFrequency() const override;
    void SetTuning(int32_t centre, int32_t halfShift) override;
    void SetCommandChecked(int32_t commandId, bool checked) override;
    void SetNavtexJChecked(bool checked) override;
    void ShowMessagePane(bool shown) override;
    void EnableAfc(bool enabled) override;
    void EnableStrictFec(bool enabled) override;
    void CloseWorkingFile() override;
    void ModeSelected(Mode mode) override;
    void HideStatusLine() override;
    bool StartDecoding(Mode mode, int32_t centre, int32_t shift, int32_t baud) override;

  private:
    CTuningControl& m_tuning;
    CChannelReceptions& m_reception;
    CDecodingControl& m_decoding;
    CReceiverMenus* m_menus = nullptr;
    CControlsPanel* m_controls = nullptr;
    CExplorerHost* m_messages = nullptr;
};

}  // namespace wavelore
