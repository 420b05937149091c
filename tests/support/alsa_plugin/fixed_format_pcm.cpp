// An ALSA capture PCM that offers one rate and one channel count, as most
// sound cards do, and delivers silence at five times real time. Tests put a
// PCM of type "file" in front of it, whose infile supplies the samples, to
// have a device that captures at a sound card's rates, fast yet not so fast
// that a receiver under a sanitizer falls ten seconds behind.
//
//   pcm_type.wavelore_fixed { lib "/path/to/this/module.so" }
//   pcm.card48 { type wavelore_fixed  rate 48000  channels 2 }

#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <new>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kSpeed = 5.0;

struct FixedPcm {
    snd_pcm_ioplug_t io{};
    Clock::time_point start;
    snd_pcm_uframes_t startFrame = 0;
    bool running = false;
};

FixedPcm& Of(snd_pcm_ioplug_t* io) {
    return *static_cast<FixedPcm*>(io->private_data);
}

int Start(snd_pcm_ioplug_t* io) {
    FixedPcm& pcm = Of(io);
    pcm.start = Clock::now();
    pcm.startFrame = io->appl_ptr;
    pcm.running = true;
    return 0;
}

int Stop(snd_pcm_ioplug_t* io) {
    Of(io).running = false;
    return 0;
}

// One period ahead of the reader, once that period is due: the buffer
// never overruns, and the reader waits here as it would in a driver.
snd_pcm_sframes_t Pointer(snd_pcm_ioplug_t* io) {
    const FixedPcm& pcm = Of(io);
    const snd_pcm_uframes_t next = io->appl_ptr + io->period_size;
    if (pcm.running) {
        const double seconds = static_cast<double>(next - pcm.startFrame) / (io->rate * kSpeed);
        std::this_thread::sleep_until(pcm.start + std::chrono::duration_cast<Clock::duration>(
                                                      std::chrono::duration<double>(seconds)));
    }
    return static_cast<snd_pcm_sframes_t>(next % io->buffer_size);
}

snd_pcm_sframes_t Transfer(snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas,
                           snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
    snd_pcm_areas_silence(areas, offset, io->channels, size, io->format);
    return static_cast<snd_pcm_sframes_t>(size);
}

int Close(snd_pcm_ioplug_t* io) {
    close(io->poll_fd);
    delete &Of(io);
    return 0;
}

const snd_pcm_ioplug_callback_t kCallbacks = [] {
    snd_pcm_ioplug_callback_t c{};
    c.start = Start;
    c.stop = Stop;
    c.pointer = Pointer;
    c.transfer = Transfer;
    c.close = Close;
    return c;
}();

bool ReadUnsigned(snd_config_t* node, unsigned& value) {
    long v = 0;
    if (snd_config_get_integer(node, &v) < 0 || v <= 0) {
        return false;
    }
    value = static_cast<unsigned>(v);
    return true;
}

}  // namespace

extern "C" SND_PCM_PLUGIN_DEFINE_FUNC(wavelore_fixed) {
    (void)root;
    unsigned rate = 0;
    unsigned channels = 0;
    snd_config_iterator_t i, next;
    snd_config_for_each(i, next, conf) {
        snd_config_t* node = snd_config_iterator_entry(i);
        const char* id = nullptr;
        if (snd_config_get_id(node, &id) < 0) {
            continue;
        }
        if (std::strcmp(id, "comment") == 0 || std::strcmp(id, "type") == 0 ||
            std::strcmp(id, "hint") == 0) {
            continue;
        }
        if (std::strcmp(id, "rate") == 0 && ReadUnsigned(node, rate)) {
            continue;
        }
        if (std::strcmp(id, "channels") == 0 && ReadUnsigned(node, channels)) {
            continue;
        }
        SNDERR("Bad field %s", id);
        return -EINVAL;
    }
    if (rate == 0 || channels == 0 || stream != SND_PCM_STREAM_CAPTURE) {
        return -EINVAL;
    }
    auto* pcm = new (std::nothrow) FixedPcm;
    if (pcm == nullptr) {
        return -ENOMEM;
    }
    snd_pcm_ioplug_t* io = &pcm->io;
    io->private_data = pcm;
    io->version = SND_PCM_IOPLUG_VERSION;
    io->name = "Wavelore fixed-format capture";
    // Always readable, as ALSA's own null PCM does it.
    io->poll_fd = open("/dev/full", O_RDONLY | O_CLOEXEC);
    io->poll_events = POLLIN;
    io->callback = &kCallbacks;
    if (io->poll_fd < 0) {
        const int err = -errno;
        delete pcm;
        return err;
    }
    const int err = snd_pcm_ioplug_create(io, name, stream, mode);
    if (err < 0) {
        close(io->poll_fd);
        delete pcm;
        return err;
    }
    const unsigned access[] = {SND_PCM_ACCESS_RW_INTERLEAVED, SND_PCM_ACCESS_MMAP_INTERLEAVED};
    const unsigned format[] = {SND_PCM_FORMAT_S16_LE};
    snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 2, access);
    snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, 1, format);
    snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, channels, channels);
    snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, rate, rate);
    snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 1 << 16);
    snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64);
    *pcmp = io->pcm;
    return 0;
}

extern "C" {
SND_PCM_PLUGIN_SYMBOL(wavelore_fixed);
}
