// wavelore-fuzz-seeds SAMPLES_DIR OUT_DIR: writes a seed corpus for every
// fuzz target into OUT_DIR/<target>/, in the target's input layout: bits
// and signals from the synthesizer, the bundled sample recording and its
// text, sound files in several formats, and hand-made server replies,
// settings and warning texts.

#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio_file_reader.h"
#include "common/modes.h"
#include "common/utf.h"
#include "fuzz_input.h"
#include "synth/iq_synthesizer.h"
#include "synth/synthesizer.h"
#include "synth/transmission.h"
#include "synth/wav_writer.h"

namespace {

namespace fs = std::filesystem;
using wavelore::fuzz::PutInt32;
using wavelore::fuzz::PutUnits;
using wavelore::synth::CTransmission;
using wavelore::synth::NavtexMessage;
using wavelore::synth::SynthMode;

// Samples per chain seed: three sound buffers, enough for the bit clock to
// lock; longer seeds only slow every run down.
constexpr size_t kChainSeedSamples = 3 * 2048;
// Samples per sound-file seed (0.2 s).
constexpr size_t kFileSeedFrames = 2205;

// Writes seed files and remembers whether anything went wrong.
class CSeedWriter {
  public:
    void Write(const fs::path& dir, const std::string& name, const std::string& bytes) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            Fail("cannot write " + (dir / name).string());
        }
    }
    void Fail(const std::string& why) {
        std::fprintf(stderr, "wavelore-fuzz-seeds: %s\n", why.c_str());
        m_failed = true;
    }
    bool Failed() const { return m_failed; }

  private:
    bool m_failed = false;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CTransmission Broadcast(SynthMode mode) {
    CTransmission t(mode);
    t.AddPhasing(1.0);
    const bool japanese = mode == SynthMode::NavtexJ;
    t.AddMessage(NavtexMessage{japanese ? u"EA123" : u"EA12", japanese
                                                                  ? u"\u6c17\u8c61 TEST 12\nLINE 2"
                                                                  : u"TEST 12 (3/4)\nLINE 2"});
    return t;
}

// Decoder inputs: the keyed elements as bits (strict and lenient), and as
// runs of one bit each of demodulator output.
void DecoderSeeds(CSeedWriter& seeds, const fs::path& dir, SynthMode mode) {
    const std::vector<uint8_t> elements = Broadcast(mode).MakeKeying().elements;
    for (const uint8_t options : {0, 1}) {
        std::string bits(1, static_cast<char>(options));
        for (size_t i = 0; i < elements.size(); i += 8) {
            uint8_t byte = 0;
            for (size_t j = 0; j < 8; ++j) {
                byte =
                    static_cast<uint8_t>(byte << 1 | (i + j < elements.size() && elements[i + j]));
            }
            bits += static_cast<char>(byte);
        }
        seeds.Write(dir, "bits-" + std::to_string(options), bits);
    }
    // 110 samples per element at 100 (RTTY: twice 50) baud; blocks of 37.
    std::string runs(1, static_cast<char>(2 | (36 << 2)));
    for (const uint8_t e : elements) {
        runs += static_cast<char>((e ? 0x80 : 0) | 109);
    }
    seeds.Write(dir, "values", runs);
}

std::string ChainHeader(int type, int32_t centre, int32_t halfShift, int32_t baud,
                        uint8_t options) {
    std::string out(1, static_cast<char>(type));
    PutInt32(out, centre);
    PutInt32(out, halfShift);
    PutInt32(out, baud);
    // Buffers of 2048 samples, as the receiver's.
    out += static_cast<char>(options | 31 << 3);
    PutInt32(out, centre + 10);
    PutInt32(out, halfShift);
    return out;
}

void PutSamples(std::string& out, const std::vector<int16_t>& samples, size_t first) {
    for (size_t i = first; i < samples.size() && i < first + kChainSeedSamples; ++i) {
        const auto u = static_cast<uint16_t>(samples[i]);
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
}

void ChainSeeds(CSeedWriter& seeds, const fs::path& dir, const fs::path& samples) {
    struct Kind {
        const char* name;
        SynthMode mode;
        int type;
        int baud;
    };
    for (const Kind& k :
         {Kind{"sitor-b", SynthMode::SitorB, 1, 100}, Kind{"rtty", SynthMode::Rtty, 2, 50},
          Kind{"amtor", SynthMode::Amtor, 4, 100}, Kind{"navtex-j", SynthMode::NavtexJ, 6, 100}}) {
        wavelore::synth::SynthOptions options;
        options.baud = k.baud;
        options.snrDb = 12.0;
        options.leadInSeconds = 0.05;
        const auto recording = wavelore::synth::Synthesize(Broadcast(k.mode), options);
        std::string seed = ChainHeader(k.type, 1700, 85, k.baud, k.type == 1 ? 4 : 0);
        PutSamples(seed, recording.samples, recording.keyedStart);
        seeds.Write(dir, k.name, seed);
    }
    seeds.Write(dir, "fax", ChainHeader(3, 1700, 85, 0, 0) + std::string(64, '\x10'));
    seeds.Write(dir, "dpsk", ChainHeader(5, 1700, 85, 100, 0) + std::string(64, '\x10'));

    // A stretch of the sample recording, inverted and lenient.
    wavelore::CAudioFileReader reader;
    std::string error;
    std::vector<int16_t> sound(2 * wavelore::kSampleRate + kChainSeedSamples);
    if (!reader.Open((samples / "navtex_sample.wav").string(), error) ||
        reader.Read(sound.data(), sound.size()) != sound.size()) {
        seeds.Fail(error);
        return;
    }
    std::string seed = ChainHeader(1, 1700, 85, 100, 1);
    PutSamples(seed, sound, 2 * wavelore::kSampleRate);
    seeds.Write(dir, "sample", seed);
    // The same through the enhanced chain (the type's bit 7).
    seed[0] = static_cast<char>(0x81);
    seeds.Write(dir, "sample-enhanced", seed);
}

// The text in chunks of about what one sound buffer decodes to.
std::string AssemblerInput(int mode, std::u16string_view text, bool newDay) {
    std::string out(1, static_cast<char>(mode));
    for (size_t i = 0; i < text.size(); i += 24) {
        const std::u16string_view chunk = text.substr(i, 24);
        out += static_cast<char>(chunk.size());
        out += '\0';
        PutUnits(out, chunk);
        if (newDay && i == 0) {
            out += '\xF2';
        }
    }
    return out;
}

void AssemblerSeeds(CSeedWriter& seeds, const fs::path& dir, const fs::path& samples) {
    const std::u16string sample = wavelore::FromUtf8(ReadAll(samples / "navtex_sample.txt"));
    seeds.Write(dir, "sample", AssemblerInput(2, sample, false));
    seeds.Write(dir, "sample-new-day", AssemblerInput(2, sample, true));
    seeds.Write(dir, "navtex-j",
                AssemblerInput(6, Broadcast(SynthMode::NavtexJ).ExpectedText(), false));
    // A doubled character pair before the header, then a frame that ends
    // in another mode.
    seeds.Write(
        dir, "repeated-marker",
        AssemblerInput(2, u"ZCZCZC ND70\r\nTEST\r\nNNNN\r\nLVHAZCZCZC QJ35\r\nTEST\r\nNNNN\r\n",
                       false));
    seeds.Write(dir, "sitor", AssemblerInput(0, u"ZCZC EA12\r\nTEXT\r\nNNNN\r\n", false));
}

// IQ recordings of a few thousand samples, one of each kind a radio
// program writes: the WAV with its auxi chunk, and the raw formats.
void IqSeeds(CSeedWriter& seeds, const fs::path& dir) {
    using namespace wavelore::synth;
    IqSceneOptions options;
    options.sampleRate = 96000.0;
    options.centreHz = 504000.0;
    options.seconds = 0.05;
    options.noiseDb = -30.0;
    options.carriers = {{518000.0, -10.0}};
    const fs::path scratch = dir / "scratch";
    for (const char* kind : {"wav", "cu8", "cs16", "cf32"}) {
        CIqScene scene({}, options);
        std::string error;
        fs::create_directories(dir);
        if (!WriteIqRecording(scratch, *ParseIqFileKind(kind), scene, options.sampleRate,
                              options.centreHz, &error)) {
            seeds.Fail(error);
            continue;
        }
        seeds.Write(dir, std::string("scene.") + kind, ReadAll(scratch));
    }
    std::error_code ec;
    fs::remove(scratch, ec);
}

void SoundFileSeeds(CSeedWriter& seeds, const fs::path& dir, const fs::path& samples) {
    wavelore::synth::SynthOptions options;
    options.snrDb = 10.0;
    options.leadInSeconds = 0.0;
    auto recording = wavelore::synth::Synthesize(Broadcast(SynthMode::SitorB), options);
    recording.samples.resize(kFileSeedFrames);
    seeds.Write(dir, "synth.wav",
                wavelore::synth::WavBytes(recording.samples, wavelore::kSampleRate));

    struct Format {
        const char* name;
        int format;
        int rate;
        int channels;
    };
    const fs::path scratch = dir / "scratch";
    for (const Format& f : {Format{"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 11025, 1},
                            Format{"u8-stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 2},
                            Format{"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 1},
                            Format{"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 44100, 2}}) {
        SF_INFO info{};
        info.samplerate = f.rate;
        info.channels = f.channels;
        info.format = f.format;
        SNDFILE* file = sf_open(scratch.c_str(), SFM_WRITE, &info);
        if (file == nullptr) {
            seeds.Fail(std::string(f.name) + ": " + sf_strerror(nullptr));
            continue;
        }
        std::vector<short> frames;
        for (size_t i = 0; i < kFileSeedFrames / 4; ++i) {
            frames.insert(frames.end(), static_cast<size_t>(f.channels), recording.samples[i]);
        }
        sf_writef_short(file, frames.data(), static_cast<sf_count_t>(frames.size()) / f.channels);
        sf_close(file);
        seeds.Write(dir, f.name, ReadAll(scratch));
    }
    fs::remove(scratch);
    // The sample recording's start: a header that promises more than follows.
    seeds.Write(dir, "sample-start.wav", ReadAll(samples / "navtex_sample.wav").substr(0, 8192));
}

void ReplySeeds(CSeedWriter& seeds, const fs::path& dir) {
    // Body pieces of 16 bytes, the worker's capacities, the transport's bounds.
    const std::string worker("\x0f\x00\x00\x00", 4);
    seeds.Write(dir, "ok", worker + "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nOK");
    seeds.Write(dir, "upgrade",
                worker +
                    "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nServer: t\r\n\r\n"
                    "1,A new version is available. Download it now?");
    seeds.Write(dir, "notice",
                std::string("\x03\x01\x00\x00", 4) + "HTTP/1.0 200 OK\n\n2,Service notice\n");
    // Bounds of 512 bytes for the header block and 256 for the body.
    seeds.Write(dir, "bounds",
                std::string("\x07\x00\x20\x10", 4) + "HTTP/1.0 200 OK\r\nX-Padding: " +
                    std::string(400, 'p') + "\r\n\r\n" + std::string(300, 'b'));
    seeds.Write(dir, "unknown-id", worker + "HTTP/1.0 200 OK\r\n\r\nERROR: Client test failed");
    seeds.Write(dir, "error", worker + "HTTP/1.0 500 Oops\r\n\r\nERROR: database down");
    seeds.Write(dir, "zero",
                worker + "HTTP/1.0 404 Not Found\r\n\r\n<h1>\xff\xfe</h1>" + std::string(1, '\0') +
                    "after");
}

void PositionSeeds(CSeedWriter& seeds, const fs::path& dir) {
    seeds.Write(dir, "wreck",
                "211430 UTC APR 24\r\nWZ 456\r\nWRECK IN 54-52.1N 002-10.4E.\r\nCANCEL WZ 412\r\n");
    seeds.Write(dir, "area",
                "GUNNERY IN AREA BOUNDED BY\r\nA. 50-35N 003-05W\r\nB. 50-35N 002-45W\r\n"
                "C. 50-25N 002-45W\r\nD. 50-25N 003-05W\r\n");
    seeds.Write(dir, "forms",
                "1. CABLE BETWEEN 5412.5N 00340.2E AND 54 12.5N 003 40.2E.\r\n2. WITHIN 2 NM OF "
                "54-12-30N 003-40-15E.\r\n3. N54-12.5 E003-40.2, 54.5S 179.9W TO 55S 179.9E.");
    // 北緯34度21.5分 東経133度45.9分
    seeds.Write(dir, "japanese",
                "\xE5\x8C\x97\xE7\xB7\xAF"
                "34\xE5\xBA\xA6"
                "21.5\xE5\x88\x86 \xE6\x9D\xB1\xE7\xB5\x8C"
                "133\xE5\xBA\xA6"
                "45.9\xE5\x88\x86");
    seeds.Write(dir, "rmc",
                "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n");
}

void ServiceFormSeeds(CSeedWriter& seeds, const fs::path& dir) {
    const std::string boundary = "--MULTI-PARTS-FORM-DATA-BOUNDARY";
    std::string upload = "\x00";
    for (const auto& [name, value] : {std::pair{"uid", "0123abcd-ef01-2345-6789-abcdefabcdef"},
                                      {"b1", "E"},
                                      {"b2", "A"},
                                      {"b3b4", "12"},
                                      {"msg", "BUOY%2052-30.1N%20002-14.9E%20UNLIT.%0D%0A"},
                                      {"quality", "98"}}) {
        upload += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name +
                  "\"\r\n\r\n" + value + "\r\n";
    }
    upload += "--" + boundary + "--\r\n";
    seeds.Write(dir, "upload", upload);
    seeds.Write(dir, "signup", "\x01name=Dover+club&position=51.13%2C1.32&msg=%E6%9D%B1%FF");
}

std::string Setting(int index, std::u16string_view value) {
    std::string out(1, static_cast<char>(index));
    out += static_cast<char>(value.size());
    PutUnits(out, value);
    return out;
}

void SettingsSeeds(CSeedWriter& seeds, const fs::path& dir) {
    // The first byte is the mode switched to afterwards (6: NAVTEX-J, 7:
    // none). Indexes into the target's names: 0 Frequency, 2 StrictFEC,
    // 3 BitSense, 6 MODE, 8 UID, 9 UploadHost, 12 RTTY-BAUD, 13 RTTY-SHIFT,
    // 14 NAVTEX-BAUD, 24 and 25 the stored MODE's baud and shift.
    seeds.Write(dir, "navtex",
                "\x06" + Setting(6, u"NAVTEX") + Setting(14, u"100") + Setting(0, u"1700") +
                    Setting(8, u"0123abcd-EF01-2345-6789-ABCDEFABCDEF") +
                    Setting(9, u"127.0.0.1:8080"));
    seeds.Write(dir, "rtty",
                "\x07" + Setting(6, u"RTTY") + Setting(12, u"45") + Setting(13, u"450") +
                    Setting(9, u"[::1]:80") + Setting(3, u"1"));
    seeds.Write(dir, "custom",
                "\x01" + Setting(6, u"WEATHER") + Setting(24, u" -75x") + Setting(25, u"+0850") +
                    Setting(2, u"0") + Setting(9, u"upload.example.org"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wavelore-fuzz-seeds SAMPLES_DIR OUT_DIR\n");
        return 2;
    }
    const fs::path samples = argv[1];
    const fs::path out = argv[2];
    CSeedWriter seeds;
    DecoderSeeds(seeds, out / "sitor_b_decoder", SynthMode::SitorB);
    DecoderSeeds(seeds, out / "amtor_decoder", SynthMode::Amtor);
    DecoderSeeds(seeds, out / "navtex_j_decoder", SynthMode::NavtexJ);
    DecoderSeeds(seeds, out / "start_stop_decoder", SynthMode::Rtty);
    ChainSeeds(seeds, out / "receive_chain", samples);
    AssemblerSeeds(seeds, out / "message_assembler", samples);
    SoundFileSeeds(seeds, out / "audio_file_reader", samples);
    ReplySeeds(seeds, out / "http_reply");
    SettingsSeeds(seeds, out / "settings");
    PositionSeeds(seeds, out / "position_reader");
    ServiceFormSeeds(seeds, out / "service_form");
    IqSeeds(seeds, out / "iq_file_reader");
    return seeds.Failed() ? 1 : 0;
}
