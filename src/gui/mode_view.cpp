#include "gui/mode_view.h"

#include "app/decoding_control.h"
#include "app/reception/channel_receptions.h"
#include "app/tuning_control.h"
#include "gui/controls_panel.h"
#include "gui/explorer_host.h"
#include "gui/receiver_menus.h"

namespace wavelore {

int32_t CModeView::CentreFrequency() const {
    return m_tuning.Centre();
}

void CModeView::SetTuning(int32_t centre, int32_t halfShift) {
    m_tuning.SetTuning(centre, halfShift);
}

void CModeView::SetCommandChecked(int32_t commandId, bool checked) {
    m_menus->SetCommandChecked(commandId, checked);
}

void CModeView::SetNavtexJChecked(bool checked) {
    m_controls->SetNavtexJChecked(checked);
}

void CModeView::ShowMessagePane(bool shown) {
    m_messages->ShowMessagePane(shown);
}

void CModeView::EnableAfc(bool enabled) {
    m_controls->EnableAfc(enabled);
}

void CModeView::EnableStrictFec(bool enabled) {
    m_controls->EnableStrictFec(enabled);
}

void CModeView::CloseWorkingFile() {
    m_reception.ForEach([](CReception& reception) { reception.CloseWorkingFile(); });
}

void CModeView::ModeSelected(Mode mode) {
    m_reception.SetMode(mode);
    // The box follows modes chosen from the menu too.
    m_controls->SetNavtexJChecked(mode == Mode::NavtexJ);
}

void CModeView::HideStatusLine() {
    m_controls->HideStatusLine();
}

bool CModeView::StartDecoding(Mode mode, int32_t centre, int32_t shift, int32_t baud) {
    return m_decoding.StartDecoder(mode, centre, shift, baud);
}

}  // namespace wavelore
