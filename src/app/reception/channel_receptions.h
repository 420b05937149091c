#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "app/reception/reception.h"

namespace wavelore {

// The window's receptions: the first, of a sound card or a recording, and
// one for each radio channel that decodes, on the first's log tree and
// index, named after its frequency ("incoming 518.txt"). A channel's
// reception is made when its text first comes and kept to the end, so
// that text a channel gave just before its radio closed still finds its
// working file. The raw data view hears only the channel shown. Used on
// one thread.
class CChannelReceptions {
  public:
    // first: made from config, which the channels' receptions copy.
    CChannelReceptions(CReception& first, const ReceptionConfig& config);
    ~CChannelReceptions();
    CChannelReceptions(const CChannelReceptions&) = delete;
    CChannelReceptions& operator=(const CChannelReceptions&) = delete;

    // The reception of the channel at frequencyHz, made if need be; the
    // first for 0, and when memory for another is short.
    CReception& For(int32_t frequencyHz);
    // The raw data view hears this channel (0: the first) from now on.
    void Show(int32_t frequencyHz) { m_shown = frequencyHz; }

    // What the window asks of its reception, for each of them.
    void ForEach(const std::function<void(CReception&)>& action);
    void SetExplorer(IStoredMessageSink* explorer);
    void SetMode(Mode mode);
    // Shutdown: the channels' receptions, then the first, whose bridge they
    // use.
    void Finish();
    size_t WaitingMessages() const;
    size_t LostMessages() const;

  private:
    class CShownView;
    struct Channel {
        int32_t frequencyHz;
        std::unique_ptr<CShownView> view;
        std::unique_ptr<CReception> reception;
    };

    CReception& m_first;
    ReceptionConfig m_config;
    IStoredMessageSink* m_explorer;
    std::vector<Channel> m_channels;
    int32_t m_shown = 0;
};

}  // namespace wavelore
