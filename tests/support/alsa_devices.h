#pragma once

// ALSA configurations of a test's own, selected through ALSA_CONFIG_PATH.
// Set them up before PortAudio's first use in the process (it reads the
// configuration once); programs started afterwards inherit them.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace wavelore::test {

// One capture device, "navfile", a PCM of type "file" whose infile holds
// samples (raw, 16-bit, written to dir). This runs far faster than real
// time, and past the end of its file ALSA repeats stale data: pad the
// samples with silence.
void UseAlsaFileDevice(const std::filesystem::path& dir, const std::vector<int16_t>& samples);

// Only the system defaults, which name no card that exists on a machine
// without sound hardware. (A file without even those trips an assertion
// inside PortAudio.)
void UseAlsaWithoutDevices(const std::filesystem::path& dir);

}  // namespace wavelore::test
