#include "support/alsa_devices.h"

#include <cstdlib>
#include <fstream>

namespace wavelore::test {

namespace {

constexpr char kSystemDefaults[] = "</usr/share/alsa/alsa.conf>\n";

}  // namespace

void UseAlsaFileDevices(const std::filesystem::path& dir,
                        const std::vector<AlsaFileDevice>& devices) {
    const auto conf = dir / "asound.conf";
    std::ofstream out(conf);
    out << kSystemDefaults << "pcm_type.wavelore_fixed { lib \"" WAVELORE_ALSA_FIXED_PCM "\" }\n";
    for (const AlsaFileDevice& device : devices) {
        const auto raw = dir / (device.name + ".raw");
        std::ofstream(raw, std::ios::binary)
            .write(reinterpret_cast<const char*>(device.samples.data()),
                   static_cast<std::streamsize>(device.samples.size() * 2));
        out << "pcm." << device.name << " {\n  type file\n  slave.pcm { type wavelore_fixed rate "
            << device.rate << " channels " << device.channels
            << " }\n  file \"/dev/null\"\n  infile \"" << raw.string()
            << "\"\n  format \"raw\"\n}\n";
    }
    out.close();
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
}

void UseAlsaFileDevice(const std::filesystem::path& dir, const std::vector<int16_t>& samples) {
    UseAlsaFileDevices(dir, {{"navfile", samples}});
}

void UseAlsaWithoutDevices(const std::filesystem::path& dir) {
    const auto conf = dir / "empty.conf";
    std::ofstream(conf) << kSystemDefaults;
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
}

void ToleratePluginLeaks() {
    const auto supp = std::filesystem::current_path() / "lsan.supp";
    std::ofstream(supp) << "leak:snd_dlopen\n";
    setenv("LSAN_OPTIONS", ("suppressions=" + supp.string() + ":print_suppressions=0").c_str(), 1);
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string options = asan ? asan : "";
    if (options.find("fast_unwind_on_malloc") == std::string::npos) {
        options += (options.empty() ? "" : ":") + std::string("fast_unwind_on_malloc=0");
        setenv("ASAN_OPTIONS", options.c_str(), 1);
    }
}

}  // namespace wavelore::test
