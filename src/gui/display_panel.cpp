#include "gui/display_panel.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

#include "display/keyboard_tuning.h"
#include "gui/band_strip_wnd.h"
#include "gui/centre_frequency_dialog.h"
#include "gui/level_meter_wnd.h"
#include "gui/waterfall_wnd.h"

namespace wavelore {

CDisplayPanel::CDisplayPanel(CSpectrumWnd* spectrum, QWidget* parent)
    : QObject(parent),
      m_spectrum(spectrum),
      m_waterfall(new CWaterfallWnd(parent)),
      m_meter(new CLevelMeterWnd(parent)),
      m_viewMenu(new QMenu(tr("&View"), parent)) {
    m_waterfall->setMinimumHeight(60);
    connect(m_waterfall, &CTuningDisplayWnd::frequencyRequested, this,
            &CDisplayPanel::frequencyRequested);

    QAction* waterfall = m_viewMenu->addAction(tr("&Waterfall"));
    waterfall->setCheckable(true);
    waterfall->setChecked(true);
    connect(waterfall, &QAction::toggled, this, [this](bool on) {
        m_waterfall->setVisible(on);
        if (!on) {
            m_waterfall->Clear();
        }
    });
    AddTraceMenu();
    m_viewMenu->addSeparator();
    AddKeyboardTuning();
}

void CDisplayPanel::AddTraceMenu() {
    QMenu* traces = m_viewMenu->addMenu(tr("Spectrum &trace"));
    auto* group = new QActionGroup(traces);
    const std::pair<CBandScope::Trace, QString> choices[] = {
        {CBandScope::Trace::Plain, tr("&Plain")},
        {CBandScope::Trace::Average, tr("&Averaged")},
        {CBandScope::Trace::PeakHold, tr("Peak &hold")},
    };
    for (const auto& [trace, text] : choices) {
        QAction* action = traces->addAction(text);
        action->setCheckable(true);
        action->setChecked(trace == m_spectrum->Model().CurrentTrace());
        group->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, trace = trace] { m_spectrum->SetTrace(trace); });
    }
}

void CDisplayPanel::AddKeyboardTuning() {
    QAction* type = m_viewMenu->addAction(tr("&Centre frequency..."));
    type->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(type, &QAction::triggered, this, &CDisplayPanel::TypeCentre);

    // The arrows tune only where they have no other use: while the strip
    // or the waterfall has the focus (a click on either gives it).
    const struct {
        Qt::Key key;
        bool up;
    } arrows[] = {{Qt::Key_Left, false}, {Qt::Key_Right, true}};
    for (QWidget* display :
         {static_cast<QWidget*>(m_spectrum), static_cast<QWidget*>(m_waterfall)}) {
        display->setFocusPolicy(Qt::ClickFocus);
        for (const auto& arrow : arrows) {
            for (bool large : {false, true}) {
                auto* action = new QAction(display);
                action->setShortcut(large ? QKeySequence(Qt::SHIFT | arrow.key)
                                          : QKeySequence(arrow.key));
                action->setShortcutContext(Qt::WidgetShortcut);
                connect(action, &QAction::triggered, this,
                        [this, up = arrow.up, large] { Step(up, large); });
                display->addAction(action);
            }
        }
    }
}

void CDisplayPanel::Step(bool up, bool large) {
    if (!m_tuned) {
        return;
    }
    const auto key = up ? CKeyboardTuning::Key::Right : CKeyboardTuning::Key::Left;
    if (const auto centre = CKeyboardTuning::OnKey(key, large, m_centre, m_halfShift)) {
        emit frequencyRequested(*centre);
    }
}

void CDisplayPanel::TypeCentre() {
    if (!m_tuned) {
        return;
    }
    CCentreFrequencyDialog dialog(m_centre, m_halfShift, qobject_cast<QWidget*>(parent()));
    if (dialog.exec() == QDialog::Accepted) {
        emit frequencyRequested(dialog.Frequency());
    }
}

void CDisplayPanel::SpectrumShown(const SampleBlock& input,
                                  const std::optional<ChainQuality>& quality) {
    m_meter->AddBlock(input);
    m_meter->SetChainState(quality);
    if (m_waterfall->isVisible()) {
        m_waterfall->AddSpectrum(m_spectrum->Model().TraceLevels());
    }
}

void CDisplayPanel::SetTuning(int32_t centre, int32_t halfShift) {
    m_centre = centre;
    m_halfShift = halfShift;
    m_tuned = true;
    m_waterfall->SetTuning(centre, halfShift);
}

}  // namespace wavelore
