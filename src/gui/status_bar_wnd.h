#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include <QStatusBar>
#include <QTimer>

#include "app/message_filter.h"
#include "app/status_bar_model.h"

class QLabel;

namespace wavelore {

class CDecodingControl;
class CMessageIndex;
class CModeController;
class CTuningControl;
class IClock;

// The window's status bar: the sound source (a device, or the recording
// with its position, or "ended"), the mode with its baud and shift, the
// centre frequency and the messages stored today, as CStatusBarModel words
// them. It reads them from the receiver's parts every kPeriod and at
// Refresh, and hears of each stored message as an output of the bridge.
class CStatusBarWnd final : public QStatusBar, public IMessageOutput {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kPeriod{1000};

    // What it shows; everything must outlive it.
    struct Watched {
        const CDecodingControl* decoding = nullptr;
        const CModeController* modes = nullptr;
        const CTuningControl* tuning = nullptr;
        CMessageIndex* index = nullptr;
        const IClock* clock = nullptr;
    };

    CStatusBarWnd(const Watched& watched, QWidget* parent);

    // Reads the parts again and shows what they say.
    void Refresh();
    const CStatusBarModel& Model() const { return m_model; }

    // IMessageOutput
    void Deliver(const MessageRecord& record, const MessageVerdict& verdict) override;

  private:
    void ReadSource();
    void ReadMode();
    void CountToday();

    Watched m_watched;
    CStatusBarModel m_model;
    QTimer m_timer;
    QLabel* m_source;
    QLabel* m_mode;
    QLabel* m_centre;
    QLabel* m_stored;
    // The source shown, by index and name: a new one starts afresh.
    int32_t m_sourceIndex = -1;
    std::u16string m_sourceName;
    int32_t m_channel = 0;
    bool m_dayCounted = false;
};

}  // namespace wavelore
