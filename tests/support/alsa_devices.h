#pragma once

// ALSA configurations of a test's own, selected through ALSA_CONFIG_PATH.
// Set them up before PortAudio's first use in the process (it reads the
// configuration once); programs started afterwards inherit them.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace wavelore::test {

// A capture device that offers one rate and channel count, as most sound
// cards do: a PCM of type "file" whose infile holds samples (raw, 16-bit,
// interleaved when there are two channels, written to dir). It captures at
// five times real time, and past the end of its file ALSA repeats stale
// data: pad the samples with silence.
struct AlsaFileDevice {
    std::string name;
    std::vector<int16_t> samples;
    uint32_t rate = 11025;
    uint16_t channels = 1;
};

void UseAlsaFileDevices(const std::filesystem::path& dir,
                        const std::vector<AlsaFileDevice>& devices);

// One device at 11025 Hz mono, "navfile".
void UseAlsaFileDevice(const std::filesystem::path& dir, const std::vector<int16_t>& samples);

// Only the system defaults, which name no card that exists on a machine
// without sound hardware. (A file without even those trips an assertion
// inside PortAudio.)
void UseAlsaWithoutDevices(const std::filesystem::path& dir);

// ALSA loads its plugins with dlopen; a library one of them pulls in leaks a
// little at its initialisation and is unloaded again before the leak check
// of the sanitizer build runs. Programs started afterwards (any that open
// PortAudio) are told to let that pass, recognised by the full allocation
// stack through ALSA's loader; the suppressions file goes to the current
// directory.
void ToleratePluginLeaks();

}  // namespace wavelore::test
