#include "support/alsa_devices.h"

#include <cstdlib>
#include <fstream>

namespace wavelore::test {

namespace {

constexpr char kSystemDefaults[] = "</usr/share/alsa/alsa.conf>\n";

}  // namespace

void UseAlsaFileDevice(const std::filesystem::path& dir, const std::vector<int16_t>& samples) {
    const auto raw = dir / "capture.raw";
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(samples.data()),
               static_cast<std::streamsize>(samples.size() * 2));
    const auto conf = dir / "asound.conf";
    std::ofstream(conf) << kSystemDefaults
                        << "pcm.navfile {\n"
                           "  type file\n"
                           "  slave.pcm \"null\"\n"
                           "  file \"/dev/null\"\n"
                           "  infile \""
                        << raw.string()
                        << "\"\n"
                           "  format \"raw\"\n"
                           "}\n";
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
}

void UseAlsaWithoutDevices(const std::filesystem::path& dir) {
    const auto conf = dir / "empty.conf";
    std::ofstream(conf) << kSystemDefaults;
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
}

}  // namespace wavelore::test
