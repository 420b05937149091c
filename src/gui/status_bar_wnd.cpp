#include "gui/status_bar_wnd.h"

#include <QLabel>

#include "app/decoding_control.h"
#include "app/log_day.h"
#include "app/message_index.h"
#include "app/mode_controller.h"
#include "app/tuning_control.h"
#include "common/clock.h"
#include "common/sample_rate.h"
#include "gui/translated_text.h"

namespace wavelore {

CStatusBarWnd::CStatusBarWnd(const Watched& watched, QWidget* parent)
    : QStatusBar(parent),
      m_watched(watched),
      m_source(new QLabel(this)),
      m_mode(new QLabel(this)),
      m_centre(new QLabel(this)),
      m_stored(new QLabel(this)) {
    addWidget(m_source, 1);
    for (QLabel* label : {m_mode, m_centre, m_stored}) {
        addPermanentWidget(label);
    }
    connect(&m_timer, &QTimer::timeout, this, &CStatusBarWnd::Refresh);
    m_timer.start(kPeriod);
}

void CStatusBarWnd::Refresh() {
    ReadSource();
    ReadMode();
    m_model.SetCentre(m_watched.tuning->Centre());
    CountToday();
    const CStatusBarModel::Texts texts = m_model.GetTexts(m_watched.clock->Now());
    m_source->setText(TranslateUserText(texts.source));
    m_mode->setText(TranslateUserText(texts.mode));
    m_centre->setText(TranslateUserText(texts.centre));
    m_stored->setText(TranslateUserText(texts.storedToday));
}

void CStatusBarWnd::Deliver(const MessageRecord& record, const MessageVerdict&) {
    m_model.AddStoredMessage(record.date);
    Refresh();
}

void CStatusBarWnd::ReadSource() {
    const CSoundSourceSelector& sources = m_watched.decoding->Sources();
    const int32_t index = sources.Current();
    const std::u16string name = sources.Name(index);
    const bool recording = sources.IsRecording(index);
    const int32_t channel = m_watched.decoding->ShownFrequency();
    if (index != m_sourceIndex || name != m_sourceName || channel != m_channel) {
        m_sourceIndex = index;
        m_sourceName = name;
        m_channel = channel;
        if (name.empty()) {
            m_model.SetNoSource();
        } else if (channel != 0) {
            m_model.SetRadio(name, channel);
        } else if (recording) {
            m_model.SetRecording(name, std::nullopt);
        } else {
            m_model.SetDevice(name);
        }
    }
    const CRecordingWaveIn* played = m_watched.decoding->Recording();
    if (recording && played != nullptr) {
        m_model.SetRecordingPosition(static_cast<double>(played->BuffersDelivered()) *
                                     kSamplesPerBuffer / kSampleRate);
        if (played->Ended()) {
            m_model.SetRecordingEnded();
        }
    }
}

void CStatusBarWnd::ReadMode() {
    const int32_t current = m_watched.modes->CurrentMode();
    if (current < 0) {
        return;
    }
    const Mode mode = static_cast<Mode>(current);
    // FAX is read in lines per minute, not in baud.
    const bool keyed = mode != Mode::Fax;
    m_model.SetMode(CModeController::Info(mode).name, keyed ? m_watched.modes->Baud() : 0,
                    m_watched.modes->Shift());
}

void CStatusBarWnd::CountToday() {
    // The index answers once it is filled; until then the day waits.
    if (m_dayCounted || m_watched.index == nullptr || m_watched.index->Filling()) {
        return;
    }
    const std::u16string today = FormatDate(m_watched.clock->Now());
    m_model.SetStoredOnDay(today, static_cast<int32_t>(m_watched.index->RowsOfDay(today).size()));
    m_dayCounted = true;
}

}  // namespace wavelore
